// The colour table as a whole: channel ramps, channel rearrangement and JASC-PAL files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string_view>

#include "CVelora.h"
#include "SafeFile.h"
#include "LargeArrays.h"

using velora::detail::RefuseWithoutMemory;

namespace {

std::uint8_t& Channel(RGBQUAD& entry, int channel) {
    return channel == 0 ? entry.rgbRed : channel == 1 ? entry.rgbGreen : entry.rgbBlue;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// One line of the file without its line end and without blanks on either side.
struct LineReader {
    const char* pos;
    const char* end;

    bool AtEnd() const { return pos == end; }
    std::string_view Next() {
        const char* start = pos;
        const char* stop = std::find(pos, end, '\n');
        pos = stop == end ? end : stop + 1;
        while (stop > start && (IsBlank(stop[-1]) || stop[-1] == '\r')) --stop;
        while (start < stop && IsBlank(*start)) ++start;
        return {start, std::size_t(stop - start)};
    }
};

// A decimal number without a sign, at most max; false for anything else.
bool ParseNumber(std::string_view text, unsigned max, unsigned& value) {
    if (text.empty()) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + unsigned(c - '0');
        if (value > max) return false;
    }
    return true;
}

// "r g b", the numbers separated by blanks.
bool ParseEntry(std::string_view line, RGBQUAD& entry) {
    unsigned values[3];
    for (unsigned& v : values) {
        const auto stop = std::find_if(line.begin(), line.end(), IsBlank);
        if (!ParseNumber(line.substr(0, std::size_t(stop - line.begin())), 255, v)) return false;
        line.remove_prefix(std::size_t(stop - line.begin()));
        while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    }
    if (!line.empty()) return false;
    entry = RGBQUAD{std::uint8_t(values[2]), std::uint8_t(values[1]), std::uint8_t(values[0]), 0};
    return true;
}

// The whole file checked before anything is taken from it.
unsigned ParsePalette(const std::uint8_t* data, std::size_t size, std::vector<RGBQUAD>& entries) {
    if (size > CVelora::kMaxPaletteFileBytes) return CVelora::kPaletteTooLarge;
    const char* text = reinterpret_cast<const char*>(data);
    LineReader lines{text, text + size};
    // Editors on other systems may start a text file with the UTF-8 mark.
    if (size >= 3 && std::string_view(text, 3) == "\xEF\xBB\xBF") lines.pos += 3;
    if (lines.AtEnd() || lines.Next() != "JASC-PAL") return CVelora::kPaletteNotJasc;
    if (lines.AtEnd()) return CVelora::kPaletteNotJasc;
    lines.Next();  // the version: "0100"
    unsigned count = 0;
    if (lines.AtEnd() || !ParseNumber(lines.Next(), 1000, count) || (count != 16 && count != 256))
        return CVelora::kPaletteNotJasc;
    entries.resize(count);
    for (RGBQUAD& entry : entries) {
        if (lines.AtEnd()) return CVelora::kPaletteWrongCount;
        if (!ParseEntry(lines.Next(), entry)) return CVelora::kPaletteBadEntry;
    }
    while (!lines.AtEnd())
        if (!lines.Next().empty()) return CVelora::kPaletteWrongCount;
    return CVelora::kPaletteOk;
}

bool IsPaletteFileDepth(unsigned depth) { return depth == 4 || depth == 8; }

}  // namespace

unsigned CVelora::SetChannelPalette(int channel) {
    if (channel < 0 || channel > 2) return 1;
    if (!IsIndexed()) return 2;
    const std::uint32_t n = PaletteEntries();
    for (std::uint32_t i = 0; i < n; ++i) {
        m_pPaleta[i] = RGBQUAD{0, 0, 0, 0};
        Channel(m_pPaleta[i], channel) = std::uint8_t(i);
    }
    return 0;
}

unsigned CVelora::RearrangePaletteChannels(int newRed, int newGreen, int newBlue) {
    if (newRed < 0 || newRed > 2) return 1;
    if (newGreen < 0 || newGreen > 2) return 2;
    if (newBlue < 0 || newBlue > 2) return 3;
    if (!IsIndexed()) return 4;
    const std::uint32_t n = PaletteEntries();
    for (std::uint32_t i = 0; i < n; ++i) {
        RGBQUAD old = m_pPaleta[i];
        RGBQUAD& entry = m_pPaleta[i];
        entry.rgbRed = Channel(old, newRed);
        entry.rgbGreen = Channel(old, newGreen);
        entry.rgbBlue = Channel(old, newBlue);
    }
    return 0;
}

std::string CVelora::EncodePalette() const {
    if (!IsPaletteFileDepth(GetBitCount())) return {};
    const std::uint32_t count = GetMaxColors(), present = PaletteEntries();
    std::string out = "JASC-PAL\r\n0100\r\n" + std::to_string(count) + "\r\n";
    out.reserve(out.size() + 13 * std::size_t(count));
    for (std::uint32_t i = 0; i < count; ++i) {
        const RGBQUAD e = i < present ? m_pPaleta[i] : RGBQUAD{0, 0, 0, 0};
        out += std::to_string(e.rgbRed) + ' ' + std::to_string(e.rgbGreen) + ' ' + std::to_string(e.rgbBlue) + "\r\n";
    }
    return out;
}

unsigned CVelora::SavePalette(const std::string& path) const {
    return RefuseWithoutMemory(4, [&]() -> unsigned {
        if (!IsPaletteFileDepth(GetBitCount())) return kPaletteBadDepth;
        const std::string bytes = EncodePalette();
        const velora::SafeFileStatus status = velora::WriteFileSafely(path, bytes);
        return status.Ok() ? 0 : status.stage == velora::SafeFileStatus::kCreate ? 2 : 3;
    });
}

unsigned CVelora::DecodePalette(const std::uint8_t* data, std::size_t size) {
    if (!IsPaletteFileDepth(GetBitCount())) return kPaletteBadDepth;
    std::vector<RGBQUAD> entries;
    if (const unsigned code = ParsePalette(data, size, entries); code != 0) return code;
    std::copy_n(entries.begin(), std::min<std::size_t>(entries.size(), PaletteEntries()), m_pPaleta);
    return kPaletteOk;
}

unsigned CVelora::LoadPalette(const std::string& path) {
    return RefuseWithoutMemory(kPaletteNoMemory, [&]() -> unsigned {
        if (!IsPaletteFileDepth(GetBitCount())) return kPaletteBadDepth;
        // Not blocking on a FIFO, and only regular files: a device could be read for ever.
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return kPaletteCannotOpen;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return kPaletteCannotOpen;
        }
        // One byte over the limit tells a file that is too long, whatever its size said.
        std::vector<std::uint8_t> bytes(kMaxPaletteFileBytes + 1);
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                ::close(fd);
                return kPaletteCannotOpen;
            }
            if (n == 0) break;
            got += std::size_t(n);
        }
        ::close(fd);
        return DecodePalette(bytes.data(), got);
    });
}
