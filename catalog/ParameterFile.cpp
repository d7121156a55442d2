#include "ParameterFile.h"

#include <cstdint>

#include "SafeFile.h"

namespace {

// Code points of bytes 0x80-0x9F in Windows-1252 (0 where the code page has none).
constexpr char32_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char EncodeCodePoint(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return char(std::uint8_t(cp));
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] != 0 && kHighControls[i] == cp) return char(std::uint8_t(0x80 + i));
    return '?';
}

}  // namespace

std::string ToWindows1252(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = std::uint8_t(utf8[i]);
        int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + std::size_t(length) > utf8.size()) {  // not UTF-8: one unknown byte
            out += '?';
            ++i;
            continue;
        }
        char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
        bool valid = true;
        for (int k = 1; k < length; ++k) {
            const auto next = std::uint8_t(utf8[i + std::size_t(k)]);
            valid = valid && (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3F);
        }
        out += valid ? EncodeCodePoint(cp) : '?';
        i += valid ? std::size_t(length) : 1;
    }
    return out;
}

std::string ParameterFileContent(const std::vector<ParameterLine>& lines, bool crlfAfterLast) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text += lines[i].key + lines[i].value;
        if (crlfAfterLast || i + 1 < lines.size()) text += "\r\n";
    }
    return ToWindows1252(text);
}

bool WriteParameterFile(const std::string& path, const std::vector<ParameterLine>& lines, bool crlfAfterLast) {
    return velora::WriteFileSafely(path, ParameterFileContent(lines, crlfAfterLast)).Ok();
}
