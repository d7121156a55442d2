#include "DibParser.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "CVelora.h"
#include "PixelRow.h"

namespace velora::detail {
namespace {

std::uint16_t U16(const std::uint8_t* p) {
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
std::uint32_t U32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// Info-header lengths in use: the OS/2 1.x core header (12), the OS/2 2.x header and its
// shortened form (64, 16), and the Windows headers 40, 52, 56 (with masks), 108 (V4), 124 (V5).
bool IsKnownHeaderSize(std::uint32_t n) {
    return n == 12 || n == 16 || n == 40 || n == 52 || n == 56 || n == 64 || n == 108 || n == 124;
}

bool IsAcceptedDepth(unsigned d) { return d == 1 || d == 4 || d == 8 || d == 16 || d == 24 || d == 32; }

// Bit-field masks equal to what an uncompressed file of that depth means anyway.
bool HasStandardMasks(const std::uint8_t* masks, unsigned depth, bool withAlpha) {
    const std::uint32_t r = U32(masks), g = U32(masks + 4), b = U32(masks + 8);
    const std::uint32_t a = withAlpha ? U32(masks + 12) : 0;
    if (depth == 16) return r == 0x7C00 && g == 0x03E0 && b == 0x001F && (a == 0 || a == 0x8000);
    if (depth == 32) return r == 0xFF0000 && g == 0xFF00 && b == 0xFF && (a == 0 || a == 0xFF000000u);
    return false;
}

// Densities that give a pixel more than a thousand times wider than high (or the reverse)
// mark a corrupt header.
bool HasAbsurdDensity(std::int32_t xppm, std::int32_t yppm) {
    if (xppm <= 0 || yppm <= 0) return false;
    const std::int64_t big = std::max(xppm, yppm), small = std::min(xppm, yppm);
    return big > small * 1000;
}

// True when some pixel of the rows uses an index at or beyond the colour table.
bool HasIndexBeyondTable(const std::uint8_t* rows, std::size_t stride, std::int32_t width, std::int32_t height,
                         unsigned depth, std::uint32_t entries) {
    for (std::int32_t r = 0; r < height; ++r) {
        const std::uint8_t* row = rows + std::size_t(r) * stride;
        for (std::int32_t x = 0; x < width; ++x)
            if (ReadPixel(row, x, depth) >= entries) return true;
    }
    return false;
}

}  // namespace

unsigned PlanDib(const std::uint8_t* dib, std::size_t size, std::optional<std::int64_t> pixelOffset, DibLayout& out) {
    if (dib == nullptr || size < 4) return kLoadInvalid;
    const std::uint32_t headerSize = U32(dib);
    if (!IsKnownHeaderSize(headerSize) || size < headerSize) return kLoadInvalid;

    // Gather the fields; a shortened header leaves the fields it lacks at 0.
    BITMAPINFOHEADER h{};
    const bool core = headerSize == 12;
    if (core) {
        h.biWidth = U16(dib + 4);
        h.biHeight = U16(dib + 6);
        h.biPlanes = U16(dib + 8);
        h.biBitCount = U16(dib + 10);
    } else {
        std::uint8_t fields[40] = {};
        std::memcpy(fields, dib, std::min<std::size_t>(headerSize, 40));
        std::memcpy(&h, fields, 40);
    }
    if (!IsAcceptedDepth(h.biBitCount)) return kLoadBadDepth;

    // Compression: only none, and bit fields that say what "none" says.
    std::size_t masksSize = 0;
    if (h.biCompression == BI_BITFIELDS && headerSize >= 40 && (h.biBitCount == 16 || h.biBitCount == 32)) {
        if (headerSize == 40) masksSize = 12;  // the masks follow the header
        if (size < 52) return kLoadInvalid;
        if (!HasStandardMasks(dib + 40, h.biBitCount, headerSize >= 56)) return kLoadCompressed;
    } else if (h.biCompression != BI_RGB) {
        return kLoadCompressed;
    }

    if (h.biPlanes != 1 || h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return kLoadInvalid;
    if (HasAbsurdDensity(h.biXPelsPerMeter, h.biYPelsPerMeter)) return kLoadInvalid;
    const bool topDown = h.biHeight < 0;
    const std::int32_t height = topDown ? -h.biHeight : h.biHeight;
    const std::int32_t width = h.biWidth;
    const unsigned depth = h.biBitCount;

    const std::uint64_t stride = (std::uint64_t(width) * depth + 31) / 32 * 4;
    const std::uint64_t pixelBytes = stride * std::uint64_t(height);
    if (pixelBytes > CVelora::kMaxPixelBytes) return kLoadTooLarge;

    // Colour table.
    const std::uint64_t tableStart = headerSize + masksSize;
    const std::uint32_t entrySize = core ? 3 : 4;
    std::uint32_t entries = 0;
    if (depth <= 8) {
        const std::uint32_t maxEntries = 1u << depth;
        if (core) {
            // The core header has no colour count: the table runs up to the pixels.
            entries = maxEntries;
            if (pixelOffset && *pixelOffset >= std::int64_t(tableStart))
                entries = std::uint32_t(std::min<std::int64_t>(maxEntries, (*pixelOffset - std::int64_t(tableStart)) / 3));
            if (entries == 0) return kLoadInvalid;
        } else {
            if (h.biClrUsed > maxEntries) return kLoadInvalid;
            entries = h.biClrUsed != 0 ? h.biClrUsed : maxEntries;
        }
    }
    const std::uint64_t tableEnd = tableStart + std::uint64_t(entries) * entrySize;
    if (tableEnd > size) return kLoadInvalid;

    // Pixel rows.
    const std::int64_t rowsAt = pixelOffset ? *pixelOffset : std::int64_t(tableEnd);
    if (rowsAt < std::int64_t(tableEnd)) return kLoadInvalid;
    const std::uint64_t available = size - std::uint64_t(std::min<std::int64_t>(rowsAt, std::int64_t(size)));
    if (std::uint64_t(rowsAt) > size || available < pixelBytes) return kLoadInvalid;
    // A size field that promises more data than the file holds marks a damaged file.
    if (!core && h.biSizeImage != 0 && h.biSizeImage > available) return kLoadInvalid;

    DibLayout layout;
    layout.header = h;
    layout.header.biSize = sizeof(BITMAPINFOHEADER);
    layout.header.biHeight = height;
    layout.header.biCompression = BI_RGB;
    layout.header.biSizeImage = std::uint32_t(pixelBytes);
    if (core) layout.header.biClrUsed = entries == (1u << depth) ? 0 : entries;
    layout.tableStart = tableStart;
    layout.entrySize = entrySize;
    layout.entries = entries;
    layout.rowsAt = rowsAt;
    layout.stride = std::size_t(stride);
    layout.pixelBytes = std::size_t(pixelBytes);
    layout.topDown = topDown;
    out = layout;
    return kLoadOk;
}

unsigned BuildDib(const DibLayout& layout, const std::uint8_t* dib, const std::function<bool(std::uint8_t*)>& readRows,
                  ParsedDib& out) {
    const std::size_t blockSize = layout.BlockSize();
    // Not value-initialized: every byte is written below, and zeroing a large block first
    // would touch all of its pages twice.
    std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[blockSize]);
    if (!block) return kLoadTooLarge;

    new (block.get()) BITMAPINFOHEADER(layout.header);
    std::uint8_t* table = block.get() + sizeof(BITMAPINFOHEADER);
    const bool core = layout.entrySize == 3;
    for (std::uint32_t i = 0; i < layout.entries; ++i) {
        const std::uint8_t* e = dib + layout.tableStart + std::size_t(i) * layout.entrySize;
        table[4 * i + 0] = e[0];
        table[4 * i + 1] = e[1];
        table[4 * i + 2] = e[2];
        table[4 * i + 3] = core ? 0 : e[3];
    }

    std::uint8_t* rows = table + 4 * std::size_t(layout.entries);
    if (layout.pixelBytes > 0 && !readRows(rows)) return kLoadCannotOpen;
    const std::int32_t height = layout.header.biHeight;
    if (layout.topDown) {
        std::unique_ptr<std::uint8_t[]> swap(new (std::nothrow) std::uint8_t[layout.stride]);
        if (!swap) return kLoadTooLarge;
        for (std::int32_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
            std::uint8_t* a = rows + std::size_t(top) * layout.stride;
            std::uint8_t* b = rows + std::size_t(bottom) * layout.stride;
            std::memcpy(swap.get(), a, layout.stride);
            std::memcpy(a, b, layout.stride);
            std::memcpy(b, swap.get(), layout.stride);
        }
    }

    const unsigned depth = layout.header.biBitCount;
    if (depth <= 8 && layout.entries < (1u << depth) &&
        HasIndexBeyondTable(rows, layout.stride, layout.header.biWidth, height, depth, layout.entries))
        return kLoadInvalid;

    out.block = std::move(block);
    out.size = blockSize;
    return kLoadOk;
}

unsigned ParseDib(const std::uint8_t* dib, std::size_t size, std::optional<std::int64_t> pixelOffset,
                  ParsedDib& out) {
    DibLayout layout;
    if (const unsigned code = PlanDib(dib, size, pixelOffset, layout); code != kLoadOk) return code;
    return BuildDib(layout, dib,
                    [&](std::uint8_t* rows) {
                        std::memcpy(rows, dib + layout.rowsAt, layout.pixelBytes);
                        return true;
                    },
                    out);
}

}  // namespace velora::detail
