#include "Json.h"

#include <cstdio>

namespace velora::cli {

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

}  // namespace velora::cli
