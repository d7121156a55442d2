#include "Json.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace velora {

namespace {

// The length of the well-formed UTF-8 sequence at text[i], or 0 when it is not one (a stray
// continuation byte, a truncated or overlong sequence, a surrogate, beyond U+10FFFF).
std::size_t Utf8Length(std::string_view text, std::size_t i) {
    const auto at = [&](std::size_t k) { return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0u; };
    const unsigned c = at(0);
    const auto cont = [&](std::size_t k, unsigned low = 0x80, unsigned high = 0xBF) { return at(k) >= low && at(k) <= high; };
    if (c >= 0xC2 && c <= 0xDF) return cont(1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF)
        return cont(1, c == 0xE0 ? 0xA0 : 0x80, c == 0xED ? 0x9F : 0xBF) && cont(2) ? 3 : 0;
    if (c >= 0xF0 && c <= 0xF4)
        return cont(1, c == 0xF0 ? 0x90 : 0x80, c == 0xF4 ? 0x8F : 0xBF) && cont(2) && cont(3) ? 4 : 0;
    return 0;
}

}  // namespace

std::string JsonQuote(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x80) {
            // JSON text is UTF-8: a byte that is not part of a character (a file name in
            // another encoding) becomes U+FFFD.
            const std::size_t length = Utf8Length(text, i);
            if (length == 0) {
                out += "\\ufffd";
            } else {
                out.append(text.substr(i, length));
                i += length - 1;
            }
            continue;
        }
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
                    out += ch;
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
