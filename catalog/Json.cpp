#include "Json.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace velora {

std::string JsonQuote(std::string_view text) {
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += ch;  // UTF-8 passes through
                }
        }
    }
    return out + "\"";
}

JsonObject& JsonObject::Raw(std::string_view key, std::string_view json) {
    if (!m_body.empty()) m_body += ",";
    m_body += JsonQuote(key);
    m_body += ":";
    m_body += json;
    return *this;
}

}  // namespace velora

namespace velora {

// Shortest text that reads back as the same double; JSON has no NaN or infinities.
JsonObject& JsonObject::Add(std::string_view key, double value) { return Raw(key, JsonNumber(value)); }

std::string JsonArray(std::initializer_list<std::string> items) {
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on "[" + std::string.
    std::string out = "[";
    for (const std::string& item : items) {
        if (out.size() > 1) out += ',';
        out += item;
    }
    out += ']';
    return out;
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value)) return "null";
    if (value == std::trunc(value) && std::fabs(value) < 1e15) return std::to_string(std::int64_t(value));
    char buf[32];
    for (int precision = 1; precision <= 17; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*g", precision, value);
        if (std::strtod(buf, nullptr) == value) break;
    }
    return buf;
}

}  // namespace velora
