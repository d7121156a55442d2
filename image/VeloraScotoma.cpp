// The scotoma: a band of the visual field blanked out around a fixation point, the picture on
// either side pushed aside (losing its outer edges) or squeezed (losing nothing).
#include <cstring>
#include <vector>

#include "CVelora.h"
#include "LargeArrays.h"
#include "Parallel.h"
#include "PixelRow.h"
#include "ScaleMap.h"

using velora::detail::FactorToSize;
using velora::detail::ForEachRowBand;
using velora::detail::LargeVector;
using velora::detail::NearestSource;
using velora::detail::RefuseWithoutMemory;

namespace {

// ReadPixel and WritePixel with 16-bit words too.
std::uint32_t ReadAny(const std::uint8_t* row, std::int32_t x, unsigned depth) {
    if (depth != 16) return velora::detail::ReadPixel(row, x, depth);
    return std::uint32_t(row[2 * x]) | std::uint32_t(row[2 * x + 1]) << 8;
}

void WriteAny(std::uint8_t* row, std::int32_t x, unsigned depth, std::uint32_t value) {
    if (depth != 16) return velora::detail::WritePixel(row, x, depth, value);
    row[2 * x] = std::uint8_t(value);
    row[2 * x + 1] = std::uint8_t(value >> 8);
}

// Pixels [x0, x1) of a row take value (32-bit pixels keep their alpha byte).
void FillSpan(std::uint8_t* row, std::int32_t x0, std::int32_t x1, unsigned depth, std::uint32_t value) {
    if (depth == 8) {
        std::memset(row + x0, int(value & 0xFF), std::size_t(x1 - x0));
        return;
    }
    for (std::int32_t x = x0; x < x1; ++x) WriteAny(row, x, depth, value);
}

// Pixels [0, width) of dst take src's (32-bit pixels keep dst's alpha byte).
void CopyColours(std::uint8_t* dst, const std::uint8_t* src, std::int32_t width, unsigned depth) {
    if (depth == 8 || depth == 16 || depth == 24) {
        std::memcpy(dst, src, std::size_t(width) * (depth / 8));
        return;
    }
    for (std::int32_t x = 0; x < width; ++x) WriteAny(dst, x, depth, ReadAny(src, x, depth));
}

// Pixels dstX0 .. dstX0 + count - 1 of dst take pixel srcX0 + map[i] of src, whole (alpha too).
void Gather(std::uint8_t* dst, std::int32_t dstX0, const std::uint8_t* src, std::int32_t srcX0,
            const std::vector<std::int32_t>& map, unsigned depth) {
    const std::int32_t count = std::int32_t(map.size());
    if (depth >= 8) {
        const std::size_t bytes = depth / 8;
        std::uint8_t* out = dst + std::size_t(dstX0) * bytes;
        const std::uint8_t* in = src + std::size_t(srcX0) * bytes;
        if (bytes == 1) {
            for (std::int32_t i = 0; i < count; ++i) out[i] = in[map[std::size_t(i)]];
        } else {
            for (std::int32_t i = 0; i < count; ++i)
                std::memcpy(out + std::size_t(i) * bytes, in + std::size_t(map[std::size_t(i)]) * bytes, bytes);
        }
        return;
    }
    for (std::int32_t i = 0; i < count; ++i)
        WriteAny(dst, dstX0 + i, depth, ReadAny(src, srcX0 + map[std::size_t(i)], depth));
}

// Where each of size positions comes from when count positions are resized to size.
std::vector<std::int32_t> ResizeMap(std::int32_t size, std::int32_t count) {
    std::vector<std::int32_t> map(std::size_t(size > 0 && count > 0 ? size : 0));
    const float factor = FactorToSize(size, count);
    for (std::int32_t i = 0; i < std::int32_t(map.size()); ++i) map[std::size_t(i)] = NearestSource(i, factor, count);
    return map;
}

}  // namespace

unsigned CVelora::Scotoma(unsigned type, unsigned centreColumn, unsigned centreRow, unsigned a, unsigned b,
                          unsigned c, unsigned e, unsigned mode, unsigned fillWithImage, std::uint32_t fill) {
    return RefuseWithoutMemory(6, [&]() -> unsigned {
        if (type > 1) return 1;
        const std::int64_t width = GetWidth(), height = GetHeight();
        // Along the band (columns of a horizontal one) and across it.
        const std::int64_t along = type == 0 ? centreColumn : centreRow, across = type == 0 ? centreRow : centreColumn;
        const std::int64_t alongSize = type == 0 ? width : height, acrossSize = type == 0 ? height : width;
        if (along < a || along + b > alongSize - 1 || across < e || across + c > acrossSize - 1) return 2;
        if (mode > 1) return 3;
        if (fillWithImage > 1) return 4;
        const unsigned depth = GetBitCount();
        if (!HasImage() || !(velora::detail::IsAccessibleDepth(depth) || depth == 16)) return 5;

        const std::int32_t w = std::int32_t(width), h = std::int32_t(height);
        const std::int32_t centre = std::int32_t(along), first = std::int32_t(centre - a), end = std::int32_t(centre + b);
        const std::size_t stride = m_bytesPerRow, bytes = depth / 8;  // 0: 1- and 4-bit pixels do not move
        const std::uint32_t fillValue = BackgroundValue(fill);
        const bool withImage = fillWithImage == 1;
        auto row = [&](std::uint8_t* bits, std::int32_t y) { return bits + std::size_t(h - 1 - y) * stride; };

        if (type == 0) {
            const std::int32_t top = std::int32_t(centreRow - e), rows = std::int32_t(c + e + 1);
            // Mode 1 reads the rows as they were, and resizes each side as Scale does to a size.
            LargeVector<std::uint8_t> saved;
            std::vector<std::int32_t> leftMap, rightMap;
            if (mode == 1) {
                saved.resize(std::size_t(rows) * stride);
                std::memcpy(saved.data(), row(m_pchMapaBits, top + rows - 1), saved.size());
                leftMap = ResizeMap(first, centre);
                rightMap = ResizeMap(w - end, w - centre);
            }
            ForEachRowBand(rows, stride, [&](std::int32_t from, std::int32_t to) {
                for (std::int32_t i = from; i < to; ++i) {
                    std::uint8_t* p = row(m_pchMapaBits, top + i);
                    if (mode == 0) {
                        const std::uint32_t value = withImage ? ReadAny(p, centre, depth) : fillValue;
                        if (bytes) {
                            std::memmove(p, p + std::size_t(a) * bytes, std::size_t(first) * bytes);
                            std::memmove(p + std::size_t(end) * bytes, p + std::size_t(centre) * bytes,
                                         std::size_t(w - end) * bytes);
                        }
                        FillSpan(p, first, end, depth, value);
                    } else {
                        const std::uint8_t* src = saved.data() + std::size_t(rows - 1 - i) * stride;
                        Gather(p, 0, src, 0, leftMap, depth);
                        Gather(p, end, src, centre, rightMap, depth);
                        FillSpan(p, first, end, depth, withImage ? ReadAny(src, centre, depth) : fillValue);
                    }
                }
            });
            return 0;
        }

        // Vertical: whole rows move; the band rows take the fill or the centre row's pixels.
        std::vector<std::uint8_t> centreRowCopy;
        if (withImage) centreRowCopy.assign(row(m_pchMapaBits, centre), row(m_pchMapaBits, centre) + stride);
        auto fillBand = [&](std::int32_t y) {
            if (withImage) CopyColours(row(m_pchMapaBits, y), centreRowCopy.data(), w, depth);
            else FillSpan(row(m_pchMapaBits, y), 0, w, depth, fillValue);
        };
        if (mode == 0) {
            if (bytes) {
                const std::size_t used = std::size_t(w) * bytes;
                for (std::int32_t y = 0; y < first; ++y) std::memmove(row(m_pchMapaBits, y), row(m_pchMapaBits, y + std::int32_t(a)), used);
                for (std::int32_t y = h - 1; y >= end; --y) std::memmove(row(m_pchMapaBits, y), row(m_pchMapaBits, y - std::int32_t(b)), used);
            }
            for (std::int32_t y = first; y < end; ++y) fillBand(y);
            return 0;
        }
        // Mode 1: the rows above the centre squeezed into rows 0 .. first - 1, those from the
        // centre down into end .. h - 1; maps on storage rows (bottom up), as Scale's.
        LargeVector<std::uint8_t> saved(std::size_t(h) * stride);
        std::memcpy(saved.data(), m_pchMapaBits, saved.size());
        const std::vector<std::int32_t> upper = ResizeMap(first, centre), lower = ResizeMap(h - end, h - centre);
        ForEachRowBand(h, stride, [&](std::int32_t from, std::int32_t to) {
            for (std::int32_t y = from; y < to; ++y) {
                std::int32_t source = -1;  // image row, y down
                if (y < first) source = centre - 1 - upper[std::size_t(first - 1 - y)];
                else if (y >= end) source = h - 1 - lower[std::size_t(h - 1 - y)];
                if (source < 0) {
                    fillBand(y);
                } else if (bytes) {
                    std::memcpy(row(m_pchMapaBits, y), saved.data() + std::size_t(h - 1 - source) * stride, std::size_t(w) * bytes);
                } else {
                    std::uint8_t* dst = row(m_pchMapaBits, y);
                    const std::uint8_t* src = saved.data() + std::size_t(h - 1 - source) * stride;
                    for (std::int32_t x = 0; x < w; ++x) WriteAny(dst, x, depth, ReadAny(src, x, depth));
                }
            }
        });
        return 0;
    });
}
