// The image record: construction, copying, header accessors, pixel and palette access,
// display conversion and the clipboard's packed-DIB exchange.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "CVelora.h"
#include "DibParser.h"
#include "LargeArrays.h"
#include "Parallel.h"
#include "PixelRow.h"

using velora::detail::ReadPixel;
using velora::detail::WritePixel;

double RoundHalfDown(double x) {
    const double f = std::floor(x);
    return (x - f > 0.5) ? std::ceil(x) : f;
}

namespace {

std::uint32_t ColorsOfDepth(std::uint32_t depth) {
    if (depth >= 24) return 1u << 24;
    return depth < 32 ? (1u << depth) : 0u;
}

}  // namespace

// ---------------------------------------------------------------- construction and copies

std::unique_ptr<std::uint8_t[]> CVelora::NewBlock(std::size_t size, bool clear) {
    std::unique_ptr<std::uint8_t[]> block = velora::detail::NewLargeArray<std::uint8_t>(size);
    if (block && clear) std::memset(block.get(), 0, size);
    return block;
}

CVelora::CVelora() : CVelora(nullptr, nullptr, 16, 16, 8) {}

CVelora::CVelora(const std::uint8_t* bits, const RGBQUAD* palette, std::int32_t width, std::int32_t height,
                 std::int32_t depth) {
    if (!velora::detail::IsAccessibleDepth(unsigned(depth))) return;
    const std::uint32_t colours = ColorsOfDepth(std::uint32_t(depth));
    if (Create(bits, palette, width, height, depth, colours <= 256 ? colours : 0)) m_name = kDefaultName;
}

CVelora CVelora::WithTable(std::int32_t width, std::int32_t height, std::int32_t depth, std::uint32_t entries,
                           const RGBQUAD* palette) {
    CVelora image(nullptr, nullptr, 0, 0, 0);
    if ((depth == 1 || depth == 4 || depth == 8) && entries >= 1 && entries <= ColorsOfDepth(std::uint32_t(depth)) &&
        image.Create(nullptr, palette, width, height, depth, entries))
        image.m_name = kDefaultName;
    return image;
}

CVelora CVelora::Unfilled(std::int32_t width, std::int32_t height, std::int32_t depth) {
    CVelora image(nullptr, nullptr, 0, 0, 0);
    if (!velora::detail::IsAccessibleDepth(unsigned(depth))) return image;
    const std::uint32_t colours = ColorsOfDepth(std::uint32_t(depth));
    if (image.Create(nullptr, nullptr, width, height, depth, colours <= 256 ? colours : 0, false))
        image.m_name = kDefaultName;
    return image;
}

bool CVelora::Create(const std::uint8_t* bits, const RGBQUAD* palette, std::int32_t width, std::int32_t height,
                     std::int32_t depth, std::uint32_t tableEntries, bool clearPixels) {
    if (width <= 0 || height <= 0) return false;  // an image has at least one column and one row
    const std::uint64_t stride = GetBytesPerRow(width, depth);
    const std::uint64_t pixelBytes = stride * std::uint64_t(height);
    if (pixelBytes > kMaxPixelBytes) return false;
    const std::size_t size = sizeof(BITMAPINFOHEADER) + 4 * std::size_t(tableEntries) + std::size_t(pixelBytes);

    const std::size_t head = sizeof(BITMAPINFOHEADER) + 4 * std::size_t(tableEntries);
    std::unique_ptr<std::uint8_t[]> block = NewBlock(size, clearPixels);
    if (!block) return false;
    if (!clearPixels) std::memset(block.get(), 0, head);
    const std::uint32_t colours = tableEntries != 0 ? tableEntries : ColorsOfDepth(std::uint32_t(depth));
    auto* header = new (block.get()) BITMAPINFOHEADER{};
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = std::uint16_t(depth);
    header->biCompression = BI_RGB;
    header->biSizeImage = std::uint32_t(pixelBytes);
    header->biClrUsed = colours;
    header->biClrImportant = colours;
    auto* table = reinterpret_cast<RGBQUAD*>(block.get() + sizeof(BITMAPINFOHEADER));
    for (std::size_t i = 0; i < tableEntries; ++i) {
        const auto level = std::uint8_t(i);
        table[i] = palette ? palette[i] : RGBQUAD{level, level, level, 0};
    }
    if (bits != nullptr && pixelBytes > 0)
        std::memcpy(block.get() + head, bits, std::size_t(pixelBytes));
    AdoptBlock(std::move(block), size);
    return true;
}

// A copy starts with no image (not the default one), so that it holds no image where the
// original has none or the memory for its block is lacking.
CVelora::CVelora(const CVelora& other) { *this = other; }

CVelora::CVelora(CVelora&& other) noexcept { *this = std::move(other); }

namespace {

// Copies a canonical block of size bytes whose pixel rows start at pixels: the rows in the
// worker threads' bands, as the operations that follow split them, so that a restored
// backup's rows wait in the cache of the thread that works on them next.
void CopyBlock(std::uint8_t* to, const std::uint8_t* from, std::size_t size, const std::uint8_t* pixels,
               std::int32_t rows, std::size_t stride) {
    const std::size_t head = std::size_t(pixels - from);
    const std::size_t body = rows > 0 ? std::min(size - head, std::size_t(rows) * stride) : 0;
    std::memcpy(to, from, head);
    velora::detail::ForEachRowBand(rows, stride, [&](std::int32_t first, std::int32_t last) {
        const std::size_t begin = head + std::size_t(first) * stride;
        const std::size_t end = std::min(head + body, head + std::size_t(last) * stride);
        if (end > begin) std::memcpy(to + begin, from + begin, end - begin);
    });
    std::memcpy(to + head + body, from + head + body, size - head - body);
}

}  // namespace

CVelora& CVelora::operator=(const CVelora& other) {
    if (this == &other) return *this;
    m_name = other.m_name;
    if (!other.HasImage()) return *this;  // the block is kept, as the name changes
    // A block of the same size is overwritten in place: restoring a preview's backup on
    // every slider move then costs a copy, not a fresh allocation and its page faults.
    if (m_block && m_blockSize == other.m_blockSize) {
        CopyBlock(m_block.get(), other.m_lpDIB, m_blockSize, other.m_pchMapaBits, other.GetHeight(), other.m_bytesPerRow);
        SetPointers();
        return *this;
    }
    std::unique_ptr<std::uint8_t[]> block = NewBlock(other.m_blockSize, false);
    if (!block) return *this;
    CopyBlock(block.get(), other.m_lpDIB, other.m_blockSize, other.m_pchMapaBits, other.GetHeight(), other.m_bytesPerRow);
    AdoptBlock(std::move(block), other.m_blockSize);
    return *this;
}

CVelora& CVelora::operator=(CVelora&& other) noexcept {
    if (this == &other) return *this;
    m_name = std::move(other.m_name);
    if (other.HasImage()) {
        AdoptBlock(std::move(other.m_block), other.m_blockSize);
        other.Release();
    }
    return *this;
}

CVelora::~CVelora() { Release(); }

void CVelora::Release() {
    m_block.reset();
    m_blockSize = 0;
    m_lpDIB = m_pchMapaBits = nullptr;
    m_lpBmIH = nullptr;
    m_lpBmI = nullptr;
    m_pPaleta = nullptr;
    m_bytesPerRow = 0;
}

void CVelora::AdoptBlock(std::unique_ptr<std::uint8_t[]> block, std::size_t size) {
    m_block = std::move(block);
    m_blockSize = size;
    SetPointers();
}

void CVelora::ReplaceKeepingName(CVelora&& other) {
    std::string name = std::move(m_name);
    *this = std::move(other);
    m_name = std::move(name);
}

void CVelora::SetPointers() {
    m_lpDIB = m_block.get();
    m_lpBmIH = reinterpret_cast<BITMAPINFOHEADER*>(m_lpDIB);
    m_lpBmI = reinterpret_cast<BITMAPINFO*>(m_lpDIB);
    const std::uint32_t entries = PaletteEntries();
    m_pPaleta = IsIndexed() ? reinterpret_cast<RGBQUAD*>(m_lpDIB + sizeof(BITMAPINFOHEADER)) : nullptr;
    m_pchMapaBits = m_lpDIB + sizeof(BITMAPINFOHEADER) + 4 * std::size_t(entries);
    m_bytesPerRow = GetBytesPerRow(m_lpBmIH->biWidth, m_lpBmIH->biBitCount);
}

// ---------------------------------------------------------------- header accessors

std::uint32_t CVelora::GetNumColors() const {
    if (!m_lpBmIH) return 0;
    return m_lpBmIH->biClrUsed != 0 ? m_lpBmIH->biClrUsed : GetMaxColors();
}

std::uint32_t CVelora::GetMaxColors() const { return m_lpBmIH ? ColorsOfDepth(m_lpBmIH->biBitCount) : 0; }

std::uint32_t CVelora::GetBytesPerRow() const { return GetBytesPerRow(GetWidth(), GetBitCount()); }

std::uint32_t CVelora::GetBytesPerRow(std::int32_t width, std::int32_t depth) {
    return std::uint32_t((std::uint64_t(std::uint32_t(width)) * std::uint32_t(depth) + 31) / 32 * 4);
}

std::uint32_t CVelora::GetImageSize() const { return GetBytesPerRow() * std::uint32_t(GetHeight()); }

std::uint32_t CVelora::GetImageSize(std::int32_t width, std::int32_t height, std::int32_t depth) {
    return GetBytesPerRow(width, depth) * std::uint32_t(height);
}

std::uint32_t CVelora::GetSizeImage() const { return m_lpBmIH ? m_lpBmIH->biSizeImage : 0; }

std::uint32_t CVelora::GetPaletteSize() const { return IsIndexed() ? 4 * GetNumColors() : 0xFFFFFFFFu; }

std::uint32_t CVelora::GetDibSize() const {
    if (!m_lpBmIH) return 0;
    return m_lpBmIH->biSize + m_lpBmIH->biSizeImage + (GetBitCount() <= 8 ? GetPaletteSize() : 0);
}

BITMAPINFOHEADER CVelora::GetBitmapInfoHeader() const { return m_lpBmIH ? *m_lpBmIH : BITMAPINFOHEADER{}; }

std::string CVelora::GetExtension() const {
    const auto dot = m_name.rfind('.');
    return dot == std::string::npos ? std::string() : m_name.substr(dot + 1);
}

std::string CVelora::GetNameWithoutExtension() const {
    const auto dot = m_name.rfind('.');
    return dot == std::string::npos ? std::string() : m_name.substr(0, dot);
}

bool CVelora::IsValidPoint(std::int32_t x, std::int32_t y) const {
    return x >= 0 && x < GetWidth() && y >= 0 && y < GetHeight();
}

bool CVelora::IsIndexed() const {
    const auto d = GetBitCount();
    return d == 1 || d == 4 || d == 8;
}

bool CVelora::HasAccessibleDepth() const { return velora::detail::IsAccessibleDepth(GetBitCount()); }

std::uint32_t CVelora::PaletteEntries() const {
    // A stored image never has more entries than its depth can index (the readers refuse it).
    return IsIndexed() ? std::min(GetNumColors(), GetMaxColors()) : 0;
}

RGBQUAD CVelora::PaletteColor(std::uint32_t index) const {
    return index < PaletteEntries() ? m_pPaleta[index] : RGBQUAD{0, 0, 0, 0};
}

// ---------------------------------------------------------------- pixel access

std::uint32_t CVelora::GetPixel(std::int32_t x, std::int32_t y) const {
    if (!IsValidPoint(x, y)) return 0xFFFFFFFFu;
    if (!HasAccessibleDepth()) return 0xFFFFFFFEu;
    return ReadPixel(Row(y), x, GetBitCount());
}

unsigned CVelora::SetPixel(std::int32_t x, std::int32_t y, std::uint32_t value) {
    if (!IsValidPoint(x, y)) return 1;
    if (!HasAccessibleDepth()) return 2;
    WritePixel(Row(y), x, GetBitCount(), value);
    return 0;
}

unsigned CVelora::GetRGBPixel(std::int32_t x, std::int32_t y, RGBQUAD& colour) const {
    if (!IsValidPoint(x, y)) return 1;
    if (!HasAccessibleDepth()) return 2;
    const std::uint32_t raw = ReadPixel(Row(y), x, GetBitCount());
    if (IsIndexed()) {
        colour = PaletteColor(raw);
    } else {
        colour = RGBQUAD{std::uint8_t(raw), std::uint8_t(raw >> 8), std::uint8_t(raw >> 16), 0};
    }
    return 0;
}

unsigned CVelora::SetRGBPixel(std::int32_t x, std::int32_t y, const RGBQUAD& colour) {
    if (!IsValidPoint(x, y)) return 1;
    if (!HasAccessibleDepth()) return 2;
    if (IsIndexed()) {
        const std::uint32_t index = ReadPixel(Row(y), x, GetBitCount());
        if (index < PaletteEntries()) m_pPaleta[index] = colour;
    } else {
        WritePixel(Row(y), x, GetBitCount(),
                   colour.rgbBlue | (std::uint32_t(colour.rgbGreen) << 8) | (std::uint32_t(colour.rgbRed) << 16));
    }
    return 0;
}

std::uint8_t CVelora::GetAlfa(std::int32_t x, std::int32_t y) const {
    if (!IsValidPoint(x, y)) return 255;
    if (GetBitCount() != 32) return 254;
    return Row(y)[4 * std::size_t(x) + 3];
}

unsigned CVelora::SetAlfa(std::int32_t x, std::int32_t y, std::uint8_t alfa) {
    if (GetBitCount() != 32) return 1;
    if (!IsValidPoint(x, y)) return 2;
    Row(y)[4 * std::size_t(x) + 3] = alfa;
    return 0;
}

// ---------------------------------------------------------------- palette

unsigned CVelora::GetPalette(RGBQUAD* out) const {
    if (!IsIndexed()) return 1;
    std::copy_n(m_pPaleta, PaletteEntries(), out);
    return 0;
}

unsigned CVelora::SetPalette(const RGBQUAD* in) {
    if (!IsIndexed()) return 1;
    std::copy_n(in, PaletteEntries(), m_pPaleta);
    return 0;
}

unsigned CVelora::SetGrayPalette() {
    if (!IsIndexed()) return 1;
    const std::uint32_t n = PaletteEntries();
    // A one-entry table has no step; its single entry becomes black.
    const std::uint32_t step = n > 1 ? 255 / (n - 1) : 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        const auto level = std::uint8_t(i * step);
        m_pPaleta[i].rgbBlue = m_pPaleta[i].rgbGreen = m_pPaleta[i].rgbRed = level;
    }
    return 0;
}

std::uint32_t CVelora::FindPaletteIndex(std::uint32_t rgb) const {
    if (!IsIndexed()) return 0xFFFFFFFEu;
    for (std::uint32_t i = 0; i < PaletteEntries(); ++i) {
        const RGBQUAD& e = m_pPaleta[i];
        if (e.rgbBlue == std::uint8_t(rgb) && e.rgbGreen == std::uint8_t(rgb >> 8) &&
            e.rgbRed == std::uint8_t(rgb >> 16))
            return i;
    }
    return 0xFFFFFFFFu;
}

bool CVelora::IsGray() const {
    if (IsIndexed()) {
        for (std::uint32_t i = 0; i < PaletteEntries(); ++i) {
            const RGBQUAD& e = m_pPaleta[i];
            if (e.rgbBlue != e.rgbGreen || e.rgbGreen != e.rgbRed) return false;
        }
        return true;
    }
    const unsigned depth = GetBitCount();
    if (depth != 24 && depth != 32) return false;
    const std::size_t bytes = depth / 8, stride = m_bytesPerRow;
    const std::int32_t width = GetWidth(), height = GetHeight();
    // Row by row without an early exit inside the row, so that the row's loop stays simple.
    for (std::int32_t r = 0; r < height; ++r) {
        const std::uint8_t* p = m_pchMapaBits + std::size_t(r) * stride;
        unsigned differ = 0;
        for (std::int32_t x = 0; x < width; ++x, p += bytes) differ |= unsigned(p[0] ^ p[1]) | unsigned(p[1] ^ p[2]);
        if (differ != 0) return false;
    }
    return true;
}

std::uint32_t CVelora::CountDifferentPixels(const CVelora& other) const {
    if (!HasAccessibleDepth() || !other.HasAccessibleDepth()) return 0xFFFFFFFFu;
    const std::int32_t width = std::min(GetWidth(), other.GetWidth());
    const std::int32_t height = std::min(GetHeight(), other.GetHeight());
    const unsigned depthA = GetBitCount(), depthB = other.GetBitCount();
    std::uint32_t count = 0;
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* a = Row(y);
        const std::uint8_t* b = other.Row(y);
        for (std::int32_t x = 0; x < width; ++x) count += ReadPixel(a, x, depthA) != ReadPixel(b, x, depthB);
    }
    return count;
}

// ---------------------------------------------------------------- display and clipboard

unsigned CVelora::Paint(CDibPainter* painter, int x, int y) const {
    if (painter == nullptr || !HasImage() || GetSizeImage() == 0) return 1;
    return painter->DrawDib(x, y, *m_lpBmI, m_pchMapaBits) ? 0 : 1;
}

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;

std::uint32_t Load32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// Blue, green, red bytes to 0xFFRRGGBB: four pixels from three 4-byte loads, none of which
// reaches past the row's last whole group; the rest one by one.
void Row24ToRGB32(const std::uint8_t* src, std::uint32_t* dst, std::int32_t width) {
    std::int32_t x = 0;
    for (; x + 4 <= width; x += 4, src += 12) {
        const std::uint32_t a = Load32(src), b = Load32(src + 4), c = Load32(src + 8);
        dst[x] = kOpaque | (a & 0xFFFFFFu);
        dst[x + 1] = kOpaque | (a >> 24) | ((b & 0xFFFFu) << 8);
        dst[x + 2] = kOpaque | (b >> 16) | ((c & 0xFFu) << 16);
        dst[x + 3] = kOpaque | (c >> 8);
    }
    for (; x < width; ++x, src += 3)
        dst[x] = kOpaque | (std::uint32_t(src[2]) << 16) | (std::uint32_t(src[1]) << 8) | src[0];
}

}  // namespace

void CVelora::ConvertToRGB32(std::int32_t yTop, std::int32_t rowCount, std::uint32_t* out,
                             std::size_t outStride) const {
    if (!HasImage()) return;
    const std::int32_t width = GetWidth(), height = GetHeight();
    const unsigned depth = GetBitCount();
    if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32) return;
    std::uint32_t table[256];
    if (IsIndexed()) {
        for (std::uint32_t i = 0; i < 256; ++i) {
            const RGBQUAD c = PaletteColor(i);
            table[i] = kOpaque | (std::uint32_t(c.rgbRed) << 16) | (std::uint32_t(c.rgbGreen) << 8) | c.rgbBlue;
        }
    }
    const std::int32_t yBegin = std::max(yTop, 0), yEnd = std::min(height, yTop + rowCount);
    const std::size_t stride = m_bytesPerRow;
    for (std::int32_t y = yBegin; y < yEnd; ++y) {
        // Displayed row y is stored row height - 1 - y.
        const std::uint8_t* src = m_pchMapaBits + std::size_t(height - 1 - y) * stride;
        std::uint32_t* dst = out + std::size_t(y - yTop) * outStride;
        if (depth == 24) {
            Row24ToRGB32(src, dst, width);
        } else if (depth == 32) {
            for (std::int32_t x = 0; x < width; ++x) dst[x] = kOpaque | Load32(src + 4 * std::size_t(x));
        } else if (depth == 8) {
            for (std::int32_t x = 0; x < width; ++x) dst[x] = table[src[x]];
        } else if (depth == 16) {
            // 5-5-5, each component widened by repeating its high bits.
            for (std::int32_t x = 0; x < width; ++x) {
                const unsigned v = src[2 * x] | (unsigned(src[2 * x + 1]) << 8);
                const unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
                dst[x] = kOpaque | (((r << 3) | (r >> 2)) << 16) | (((g << 3) | (g >> 2)) << 8) | ((b << 3) | (b >> 2));
            }
        } else if (depth == 4) {
            const std::int32_t pairs = width / 2;
            for (std::int32_t i = 0; i < pairs; ++i) {
                dst[2 * i] = table[src[i] >> 4];
                dst[2 * i + 1] = table[src[i] & 0x0F];
            }
            if (width & 1) dst[width - 1] = table[src[pairs] >> 4];
        } else {
            const std::int32_t bytes = width / 8;
            for (std::int32_t i = 0; i < bytes; ++i) {
                const unsigned b = src[i];
                for (int bit = 0; bit < 8; ++bit) dst[8 * i + bit] = table[(b >> (7 - bit)) & 1u];
            }
            for (std::int32_t x = bytes * 8; x < width; ++x) dst[x] = table[ReadPixel(src, x, 1)];
        }
    }
}

unsigned CVelora::LoadFromDIB(const std::uint8_t* dib, std::size_t size) {
    velora::detail::ParsedDib parsed;
    const unsigned code = velora::detail::ParseDib(dib, size, std::nullopt, parsed);
    if (code != kLoadOk) return code;
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(parsed.block.get());
    if (header->biBitCount == 32) {
        // The clipboard's 32-bit images arrive without a meaningful fourth byte: keep 24 bits.
        const std::int32_t width = header->biWidth, height = header->biHeight;
        const std::size_t stride32 = GetBytesPerRow(width, 32), stride24 = GetBytesPerRow(width, 24);
        const std::size_t size24 = sizeof(BITMAPINFOHEADER) + stride24 * std::size_t(height);
        std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[size24]());
        if (!block) return kLoadTooLarge;
        auto* h24 = new (block.get()) BITMAPINFOHEADER(*header);
        h24->biBitCount = 24;
        h24->biCompression = BI_RGB;
        h24->biSizeImage = std::uint32_t(stride24 * std::size_t(height));
        const std::uint8_t* src = parsed.block.get() + sizeof(BITMAPINFOHEADER);
        std::uint8_t* dst = block.get() + sizeof(BITMAPINFOHEADER);
        for (std::int32_t r = 0; r < height; ++r, src += stride32, dst += stride24)
            for (std::int32_t x = 0; x < width; ++x) std::memcpy(dst + 3 * std::size_t(x), src + 4 * std::size_t(x), 3);
        parsed.block = std::move(block);
        parsed.size = size24;
    }
    AdoptBlock(std::move(parsed.block), parsed.size);
    return kLoadOk;
}

std::vector<std::uint8_t> CVelora::CopyToGlobal() const {
    if (!HasImage()) return {};
    return std::vector<std::uint8_t>(m_lpDIB, m_lpDIB + m_blockSize);
}
