// Image files: BMP (read and write), headerless 8-bit RAW (read and write) and binary PGM
// (read). Every reader exists for an open file, a path and a memory buffer; all three run
// the same checked algorithm on the file's bytes, so that no sequence of bytes can make a
// reader step outside its data: a reader either loads or returns a code and leaves the
// image as it was.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>

#include "CVelora.h"
#include "DibParser.h"
#include "SafeFile.h"

namespace {

// Longest file a reader takes in: the largest pixel data plus room for headers and gaps.
constexpr std::size_t kMaxFileBytes = std::size_t(CVelora::kMaxPixelBytes) + (std::size_t(64) << 20);

struct RawSizeEntry {
    std::uint64_t length;
    std::int32_t width, height;
};
constexpr RawSizeEntry kRawSizes[] = {
    {1024, 32, 32},       {1248, 32, 39},         {4096, 64, 64},   {10304, 92, 112},
    {16384, 128, 128},    {65536, 256, 256},      {262144, 512, 512}, {1048576, 1024, 1024},
};

// Reads the whole file; the code to return instead when that fails.
unsigned ReadWholeFile(CFile& file, std::vector<std::uint8_t>& bytes) {
    if (!file.IsOpen()) return kLoadCannotOpen;
    const std::int64_t length = file.GetLength();
    if (length > std::int64_t(kMaxFileBytes)) return kLoadTooLarge;
    try {
        if (!file.ReadRest(bytes, kMaxFileBytes)) return kLoadCannotOpen;
    } catch (const std::bad_alloc&) {
        return kLoadTooLarge;
    }
    return kLoadOk;
}

}  // namespace

ImageFileKind KindOfFileName(const std::string& name) {
    if (name.size() < 3) return ImageFileKind::Other;
    std::string ext = name.substr(name.size() - 3);
    for (char& c : ext) c = char(std::toupper(static_cast<unsigned char>(c)));
    if (ext == "BMP") return ImageFileKind::Bmp;
    if (ext == "RAW") return ImageFileKind::Raw;
    if (ext == "PGM") return ImageFileKind::Pgm;
    return ImageFileKind::Other;
}

std::optional<CVelora::RawSize> CVelora::RawSizeForLength(std::uint64_t length) {
    for (const auto& e : kRawSizes)
        if (e.length == length) return RawSize{e.width, e.height};
    return std::nullopt;
}

// ---------------------------------------------------------------- BMP

unsigned CVelora::LoadBMPBytes(const std::uint8_t* data, std::size_t size) {
    if (size < sizeof(BITMAPFILEHEADER) || data[0] != 'B' || data[1] != 'M') return kLoadInvalid;
    BITMAPFILEHEADER fh;
    std::memcpy(&fh, data, sizeof fh);
    velora::detail::ParsedDib parsed;
    const unsigned code = velora::detail::ParseDib(data + sizeof fh, size - sizeof fh,
                                                   std::int64_t(fh.bfOffBits) - std::int64_t(sizeof fh), parsed);
    if (code != kLoadOk) return code;
    // A file shorter than its header says has lost data.
    if (fh.bfSize > size) return kLoadInvalid;
    AdoptBlock(std::move(parsed.block), parsed.size);
    return kLoadOk;
}

unsigned CVelora::LoadBMP(const std::uint8_t* buffer, std::size_t size) {
    if (buffer == nullptr) return kLoadInvalid;
    return LoadBMPBytes(buffer, size);
}

unsigned CVelora::LoadBMP(CFile& file) {
    if (!file.IsOpen()) return kLoadCannotOpen;
    const std::int64_t length = file.GetLength(), position = file.Tell();
    if (!file.IsRegularFile() || length < 0 || position < 0) {
        // A pipe tells no length: read it whole, as far as the limit.
        std::vector<std::uint8_t> bytes;
        if (const unsigned code = ReadWholeFile(file, bytes); code != kLoadOk) return code;
        const unsigned code = LoadBMPBytes(bytes.data(), bytes.size());
        if (code == kLoadOk) m_name = file.GetFileName();
        return code;
    }
    // The same checks, in the same order, as on the bytes in memory; but the header is
    // judged before the rows are read, and the rows go straight into the image's block.
    if (length > std::int64_t(kMaxFileBytes)) return kLoadTooLarge;
    const std::size_t size = std::size_t(std::max<std::int64_t>(length - position, 0));
    std::uint8_t prefix[sizeof(BITMAPFILEHEADER) + velora::detail::kDibPrefixBytes];
    const std::size_t prefixSize = std::min(size, sizeof prefix);
    if (file.Read(prefix, prefixSize) != prefixSize) return kLoadCannotOpen;
    if (size < sizeof(BITMAPFILEHEADER) || prefix[0] != 'B' || prefix[1] != 'M') return kLoadInvalid;
    BITMAPFILEHEADER fh;
    std::memcpy(&fh, prefix, sizeof fh);
    velora::detail::DibLayout layout;
    const std::uint8_t* dib = prefix + sizeof fh;
    if (const unsigned code = velora::detail::PlanDib(dib, size - sizeof fh,
                                                      std::int64_t(fh.bfOffBits) - std::int64_t(sizeof fh), layout);
        code != kLoadOk)
        return code;
    velora::detail::ParsedDib parsed;
    const auto readRows = [&](std::uint8_t* rows) {
        return file.Seek(position + std::int64_t(sizeof fh) + layout.rowsAt) &&
               file.Read(rows, layout.pixelBytes) == layout.pixelBytes;
    };
    if (const unsigned code = velora::detail::BuildDib(layout, dib, readRows, parsed); code != kLoadOk) return code;
    if (fh.bfSize > size) return kLoadInvalid;
    AdoptBlock(std::move(parsed.block), parsed.size);
    m_name = file.GetFileName();
    return kLoadOk;
}

unsigned CVelora::LoadBMP(const std::string& path) {
    CFile file;
    if (!file.Open(path, CFile::modeRead)) return kLoadCannotOpen;
    return LoadBMP(file);
}

namespace {

// A BMP file is a file header, the info header (whose colour counts a direct-colour file
// sets to 0: readers take a count of 16777216 for the length of a table that is not there),
// and the rest of the block as it is: colour table and rows. Written in these three pieces,
// the block needs no second copy.
struct BmpPieces {
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    const std::uint8_t* rest = nullptr;
    std::size_t restSize = 0;
};

template <typename Sink>
bool WriteBmpPieces(const BmpPieces& p, Sink&& write) {
    return write(&p.file, sizeof p.file) && write(&p.info, sizeof p.info) && write(p.rest, p.restSize);
}

BmpPieces PiecesOf(const BITMAPINFOHEADER& header, bool indexed, std::uint32_t entries,
                          const std::uint8_t* block, std::size_t blockSize) {
    BmpPieces p;
    const std::uint32_t tableBytes = indexed ? 4 * entries : 0;
    p.file.bfType = 0x4D42;
    p.file.bfOffBits = std::uint32_t(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + tableBytes);
    p.file.bfSize = p.file.bfOffBits + header.biSizeImage;
    p.info = header;
    if (!indexed) p.info.biClrUsed = p.info.biClrImportant = 0;
    p.rest = block + sizeof(BITMAPINFOHEADER);
    p.restSize = blockSize - sizeof(BITMAPINFOHEADER);
    return p;
}

}  // namespace

std::vector<std::uint8_t> CVelora::EncodeBMP() const {
    if (!HasImage()) return {};
    const BmpPieces pieces = PiecesOf(*m_lpBmIH, IsIndexed(), PaletteEntries(), m_lpDIB, m_blockSize);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(sizeof(BITMAPFILEHEADER) + m_blockSize);
    WriteBmpPieces(pieces, [&](const void* data, std::size_t size) {
        const auto* b = static_cast<const std::uint8_t*>(data);
        bytes.insert(bytes.end(), b, b + size);
        return true;
    });
    return bytes;
}

unsigned CVelora::SaveBMP(CFile& file) const {
    if (!HasImage()) return 3;
    const BmpPieces pieces = PiecesOf(*m_lpBmIH, IsIndexed(), PaletteEntries(), m_lpDIB, m_blockSize);
    const bool written = WriteBmpPieces(pieces, [&](const void* data, std::size_t size) { return file.Write(data, size); });
    return written && file.Flush() ? 0 : 2;
}

unsigned CVelora::SaveBMP(const std::string& path) const {
    // Nothing to write leaves the target alone.
    if (!HasImage()) return 3;
    const BmpPieces pieces = PiecesOf(*m_lpBmIH, IsIndexed(), PaletteEntries(), m_lpDIB, m_blockSize);
    velora::CSafeFile file;
    if (file.Open(path))
        WriteBmpPieces(pieces, [&](const void* data, std::size_t size) { return file.Write(data, size); }) &&
            file.Commit();
    return file.Status().stage;
}

// ---------------------------------------------------------------- RAW

unsigned CVelora::LoadRAWBytes(const std::uint8_t* data, std::size_t size, std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0 || std::uint64_t(width) * std::uint64_t(height) != size) return kLoadInvalid;
    CVelora image(nullptr, nullptr, width, height, 8);
    if (!image.HasImage()) return kLoadTooLarge;
    for (std::int32_t y = 0; y < height; ++y)
        std::memcpy(image.Row(y), data + std::size_t(y) * std::size_t(width), std::size_t(width));
    ReplaceKeepingName(std::move(image));
    return kLoadOk;
}

unsigned CVelora::LoadRAW(const std::uint8_t* buffer, std::size_t size, std::int32_t width, std::int32_t height) {
    if (buffer == nullptr) return kLoadInvalid;
    return LoadRAWBytes(buffer, size, width, height);
}

unsigned CVelora::LoadRAW(CFile& file, std::int32_t width, std::int32_t height) {
    if (!file.IsOpen()) return kLoadCannotOpen;
    const std::int64_t length = file.GetLength(), position = file.Tell();
    if (!file.IsRegularFile() || length < 0 || position < 0) {
        std::vector<std::uint8_t> bytes;
        if (const unsigned code = ReadWholeFile(file, bytes); code != kLoadOk) return code;
        const unsigned code = LoadRAWBytes(bytes.data(), bytes.size(), width, height);
        if (code == kLoadOk) m_name = file.GetFileName();
        return code;
    }
    // The length is judged before a byte is read; the rows are read into the image itself.
    if (length > std::int64_t(kMaxFileBytes)) return kLoadTooLarge;
    const auto size = std::uint64_t(std::max<std::int64_t>(length - position, 0));
    if (width <= 0 || height <= 0 || std::uint64_t(width) * std::uint64_t(height) != size) return kLoadInvalid;
    CVelora image(nullptr, nullptr, width, height, 8);
    if (!image.HasImage()) return kLoadTooLarge;
    for (std::int32_t y = 0; y < height; ++y)
        if (file.Read(image.Row(y), std::size_t(width)) != std::size_t(width)) return kLoadCannotOpen;
    ReplaceKeepingName(std::move(image));
    m_name = file.GetFileName();
    return kLoadOk;
}

unsigned CVelora::LoadRAW(const std::string& path, std::int32_t width, std::int32_t height) {
    CFile file;
    if (!file.Open(path, CFile::modeRead)) return kLoadCannotOpen;
    return LoadRAW(file, width, height);
}

unsigned CVelora::LoadRAW(const std::uint8_t* buffer, std::size_t size) {
    const auto dims = RawSizeForLength(size);
    if (!dims || buffer == nullptr) return kLoadCannotOpen;
    return LoadRAWBytes(buffer, size, dims->width, dims->height);
}

unsigned CVelora::LoadRAW(CFile& file) {
    if (!file.IsOpen()) return kLoadCannotOpen;
    const auto dims = RawSizeForLength(std::uint64_t(std::max<std::int64_t>(file.GetLength(), 0)));
    if (!dims) return kLoadInvalid;
    return LoadRAW(file, dims->width, dims->height);
}

unsigned CVelora::LoadRAW(const std::string& path) {
    CFile file;
    if (!file.Open(path, CFile::modeRead)) return kLoadCannotOpen;
    return LoadRAW(file);
}

std::vector<std::uint8_t> CVelora::EncodeRAW() const {
    // Work on a copy: the image itself stays as it is.
    CVelora gray(*this);
    if (!gray.IsGray() && gray.ColorToGray(0) != 0) return {};
    if (gray.GetBitCount() != 8 && gray.ChangeColorDepth(2) != 0) return {};
    const std::size_t width = std::size_t(gray.GetWidth());
    std::vector<std::uint8_t> bytes(width * std::size_t(gray.GetHeight()));
    for (std::int32_t y = 0; y < gray.GetHeight(); ++y)
        std::memcpy(bytes.data() + std::size_t(y) * width, gray.Row(y), width);
    return bytes;
}

unsigned CVelora::SaveRAW(CFile& file) const {
    if (!HasAccessibleDepth()) return 3;
    const std::vector<std::uint8_t> bytes = EncodeRAW();
    if (bytes.empty() && GetWidth() > 0 && GetHeight() > 0) return 3;
    if (bytes.empty()) return file.Flush() ? 0 : 2;
    return file.Write(bytes.data(), bytes.size()) && file.Flush() ? 0 : 2;
}

unsigned CVelora::SaveRAW(const std::string& path) const {
    if (!HasAccessibleDepth()) return 3;
    const std::vector<std::uint8_t> bytes = EncodeRAW();
    if (bytes.empty() && GetWidth() > 0 && GetHeight() > 0) return 3;
    return velora::WriteFileSafely(path, bytes.data(), bytes.size()).stage;
}

// ---------------------------------------------------------------- PGM

namespace {

// Reads the fields of a PGM header by the netpbm rules: white space (blank, tab, CR, LF,
// VT, FF) and "#" comments up to the end of the line may stand between any two fields.
class PgmHeaderReader {
public:
    PgmHeaderReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    // Moves to the "P" of the magic number; comments before it are skipped.
    bool FindMagic() {
        while (m_pos < m_size && m_data[m_pos] != 'P') {
            if (m_data[m_pos] == '#') SkipComment(); else ++m_pos;
        }
        if (m_pos >= m_size) return false;
        ++m_pos;
        return true;
    }
    bool Next(std::uint8_t c) {
        if (m_pos >= m_size || m_data[m_pos] != c) return false;
        ++m_pos;
        return true;
    }
    // A decimal number after white space and comments; it must end at white space, a
    // comment or the end of the data. False for a missing or overlong number.
    bool Number(std::uint64_t& value) {
        SkipSpaceAndComments();
        std::size_t digits = 0;
        value = 0;
        while (m_pos < m_size && m_data[m_pos] >= '0' && m_data[m_pos] <= '9') {
            value = value * 10 + (m_data[m_pos++] - '0');
            if (++digits > 10) return false;
        }
        return digits > 0 && (m_pos >= m_size || IsSpace(m_data[m_pos]) || m_data[m_pos] == '#');
    }
    std::size_t Position() const { return m_pos; }

    static bool IsSpace(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

private:
    void SkipComment() {
        while (m_pos < m_size && m_data[m_pos] != '\n' && m_data[m_pos] != '\r') ++m_pos;
    }
    void SkipSpaceAndComments() {
        while (m_pos < m_size) {
            if (IsSpace(m_data[m_pos])) ++m_pos;
            else if (m_data[m_pos] == '#') SkipComment();
            else break;
        }
    }

    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

}  // namespace

unsigned CVelora::LoadPGMBytes(const std::uint8_t* data, std::size_t size, unsigned notP5Code) {
    PgmHeaderReader reader(data, size);
    if (!reader.FindMagic() || !reader.Next('5')) return notP5Code;
    std::uint64_t width = 0, height = 0, maximum = 0;
    if (!reader.Number(width) || !reader.Number(height) || !reader.Number(maximum)) return kLoadInvalid;
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX || maximum == 0 || maximum > 65535)
        return kLoadInvalid;
    if (std::uint64_t(GetBytesPerRow(std::int32_t(width), 8)) * height > kMaxPixelBytes) return kLoadTooLarge;

    // One white-space byte ends the header. Older writers end it with CR LF, or blanks
    // and a line feed; then the samples begin after the line feed, if that leaves just
    // enough bytes for them.
    const std::size_t bytesPerSample = maximum > 255 ? 2 : 1;
    const std::uint64_t needed = width * height * bytesPerSample;
    const std::size_t afterDigits = reader.Position();
    if (afterDigits >= size) return kLoadInvalid;
    std::size_t start = afterDigits + 1;
    std::size_t lineEnd = afterDigits;
    while (lineEnd < size && (data[lineEnd] == ' ' || data[lineEnd] == '\r')) ++lineEnd;
    if (lineEnd < size && data[lineEnd] == '\n' && lineEnd + 1 != start && size - start != needed &&
        size - (lineEnd + 1) >= needed)
        start = lineEnd + 1;
    if (size - start < needed) return kLoadInvalid;

    const std::uint8_t* samples = data + start;
    const std::uint32_t entries = maximum > 255 ? 256 : std::uint32_t(maximum) + 1;
    const std::size_t count = std::size_t(width) * std::size_t(height);
    if (bytesPerSample == 1) {
        // A sample above the maximum has no entry in the ramp: the file is damaged.
        for (std::size_t i = 0; i < count; ++i)
            if (samples[i] > maximum) return kLoadInvalid;
    }

    // The ramp has one entry per level, so that levels are indices (maximum 15 gives 16 grays 0..15).
    CVelora image = WithTable(std::int32_t(width), std::int32_t(height), 8, entries);
    if (!image.HasImage()) return kLoadTooLarge;
    for (std::int32_t y = 0; y < std::int32_t(height); ++y) {
        std::uint8_t* row = image.Row(y);
        const std::uint8_t* src = samples + std::size_t(y) * std::size_t(width) * bytesPerSample;
        if (bytesPerSample == 1) {
            std::memcpy(row, src, std::size_t(width));
        } else {
            for (std::size_t x = 0; x < width; ++x) {
                const std::uint32_t v = (std::uint32_t(src[2 * x]) << 8) | src[2 * x + 1];
                row[x] = std::uint8_t(std::min<std::uint64_t>(v, maximum) * 255 / maximum);
            }
        }
    }
    ReplaceKeepingName(std::move(image));
    return kLoadOk;
}

unsigned CVelora::LoadPGM(const std::uint8_t* buffer, std::size_t size) {
    if (buffer == nullptr) return kLoadCannotOpen;
    return LoadPGMBytes(buffer, size, kLoadCannotOpen);
}

unsigned CVelora::LoadPGM(CFile& file) {
    std::vector<std::uint8_t> bytes;
    if (const unsigned code = ReadWholeFile(file, bytes); code != kLoadOk) return code;
    const unsigned code = LoadPGMBytes(bytes.data(), bytes.size(), kLoadInvalid);
    if (code == kLoadOk) m_name = file.GetFileName();
    return code;
}

unsigned CVelora::LoadPGM(const std::string& path) {
    CFile file;
    if (!file.Open(path, CFile::modeRead)) return kLoadCannotOpen;
    return LoadPGM(file);
}
