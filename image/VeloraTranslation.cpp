// Translation by pixels and by visual angle, and the visual angle as a length on a monitor.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "CVelora.h"
#include "Parallel.h"
#include "PixelRow.h"
#include "LargeArrays.h"

using velora::detail::ForEachRowBand;
using velora::detail::WritePixel;
using velora::detail::RefuseWithoutMemory;

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kInchesPerCm = 0.393700787401575;

// Truncation toward zero with a defined result everywhere: NaN gives 0, values beyond the
// range of int give its ends (a plain conversion would be undefined there).
std::int32_t TruncateToInt(float v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483648.0f) return std::numeric_limits<std::int32_t>::max();
    if (v <= -2147483648.0f) return std::numeric_limits<std::int32_t>::min();
    return std::int32_t(v);
}

// A monitor's size in whole centimetres must not be 0: it divides.
bool Measurable(std::uint32_t width, std::uint32_t height, std::uint32_t widthMm, std::uint32_t heightMm) {
    return width > 0 && height > 0 && widthMm >= 10 && heightMm >= 10;
}

// Copies bits bits from src at bit srcBit to dst at bit dstBit (most significant bit first,
// as 1- and 4-bit rows hold their pixels). The other bits of dst stay.
void CopyBits(std::uint8_t* dst, std::size_t dstBit, const std::uint8_t* src, std::size_t srcBit, std::size_t bits) {
    auto bitAt = [&](std::size_t i) { return (src[i >> 3] >> (7 - (i & 7))) & 1u; };
    auto setBit = [&](std::size_t i, unsigned v) {
        const std::uint8_t mask = std::uint8_t(0x80u >> (i & 7));
        dst[i >> 3] = v ? std::uint8_t(dst[i >> 3] | mask) : std::uint8_t(dst[i >> 3] & ~mask);
    };
    // Up to a byte boundary of the destination one bit at a time, then whole bytes.
    while (bits > 0 && (dstBit & 7) != 0) {
        setBit(dstBit++, bitAt(srcBit++));
        --bits;
    }
    const unsigned shift = unsigned(srcBit & 7);
    std::uint8_t* d = dst + (dstBit >> 3);
    const std::uint8_t* s = src + (srcBit >> 3);
    const std::size_t bytes = bits >> 3;
    if (shift == 0) {
        std::memcpy(d, s, bytes);
    } else {
        // The eight bits from srcBit lie inside the span, so s[i + 1] is still in the row.
        for (std::size_t i = 0; i < bytes; ++i) d[i] = std::uint8_t((s[i] << shift) | (s[i + 1] >> (8 - shift)));
    }
    dstBit += bytes * 8;
    srcBit += bytes * 8;
    bits -= bytes * 8;
    while (bits-- > 0) setBit(dstBit++, bitAt(srcBit++));
}

}  // namespace

MonitorGeometry DescribeMonitors(std::uint32_t count, const MonitorMeasures& main, const MonitorMeasures* second) {
    auto diagonal = [](const MonitorMeasures& m) {
        const double w = m.widthMm / 10.0, h = m.heightMm / 10.0;
        return std::uint32_t(std::trunc(std::sqrt(h * h + w * w) * kInchesPerCm + 1.0));
    };
    MonitorGeometry g;
    g.monitors = count;
    g.mainDiagonal = diagonal(main);
    g.mainWidth = main.width;
    g.mainHeight = main.height;
    g.mainWidthMm = main.widthMm;
    g.mainHeightMm = main.heightMm;
    g.mainDpiX = main.dpiX;
    g.mainDpiY = main.dpiY;
    if (count >= 2 && second) {
        g.secondDiagonal = diagonal(*second);
        g.secondWidth = second->width;
        g.secondHeight = second->height;
        g.secondWidthMm = second->widthMm;
        g.secondHeightMm = second->heightMm;
        g.secondDpiX = second->dpiX;
        g.secondDpiY = second->dpiY;
    }
    return g;
}

std::uint32_t CVelora::BackgroundValue(std::uint32_t colour) const {
    const std::uint32_t rgb = SwapRedBlue(colour) & 0xFFFFFFu;
    if (GetBitCount() == 16) return ((rgb >> 9) & 0x7C00u) | ((rgb >> 6) & 0x03E0u) | ((rgb >> 3) & 0x001Fu);
    if (!IsIndexed()) return rgb;
    const std::uint32_t found = FindPaletteIndex(rgb);
    if (found < PaletteEntries()) return found;
    // The all-ones index, unless the colour table is shorter: an index beyond it would
    // name no colour.
    const std::uint32_t allOnes = (1u << GetBitCount()) - 1;
    const std::uint32_t entries = PaletteEntries();
    return entries == 0 ? 0 : std::min(allOnes, entries - 1);
}

unsigned CVelora::Translate(int mode, int dx, int dy, std::uint32_t background) {
    return RefuseWithoutMemory(3, [&]() -> unsigned {
        const unsigned depth = GetBitCount();
        if (!HasImage() || !velora::detail::IsAccessibleDepth(depth)) return 1;
        if (mode != 0 && mode != 1) return 2;
        const std::int64_t width = GetWidth(), height = GetHeight();
        const std::int64_t ddx = dx, ddy = dy;  // |INT_MIN| does not fit an int
        const std::int64_t newWidth = mode == 0 ? width + (ddx < 0 ? -ddx : ddx) : width;
        const std::int64_t newHeight = mode == 0 ? height + (ddy < 0 ? -ddy : ddy) : height;
        if (newWidth > std::numeric_limits<std::int32_t>::max() || newHeight > std::numeric_limits<std::int32_t>::max())
            return 3;
        const std::int64_t ox = mode == 0 ? std::max<std::int64_t>(ddx, 0) : ddx;
        const std::int64_t oy = mode == 0 ? std::max<std::int64_t>(ddy, 0) : ddy;
        CVelora result = BlankLike(std::int32_t(newWidth), std::int32_t(newHeight));
        if (!result.HasImage()) return 3;

        // One row of background, padding zeroed: every output row starts from it.
        const std::size_t outStride = result.m_bytesPerRow, inStride = m_bytesPerRow;
        std::vector<std::uint8_t> blank(outStride, 0);
        const std::uint32_t value = BackgroundValue(background);
        switch (depth) {
            case 1: case 4: {
                const std::size_t bits = std::size_t(newWidth) * depth;
                const std::uint8_t pattern = depth == 1 ? (value ? 0xFF : 0x00) : std::uint8_t((value & 0xF) * 0x11);
                std::memset(blank.data(), pattern, (bits + 7) / 8);
                if (bits % 8) blank[bits / 8] &= std::uint8_t(0xFF00u >> (bits % 8));
                break;
            }
            case 8: std::memset(blank.data(), int(value), std::size_t(newWidth)); break;
            default:
                for (std::int64_t x = 0; x < newWidth; ++x) WritePixel(blank.data(), std::int32_t(x), depth, value);
                break;
        }

        // Output columns [x0, x1) take source columns from x0 - ox on.
        const std::int64_t x0 = std::clamp<std::int64_t>(ox, 0, newWidth);
        const std::int64_t x1 = std::clamp<std::int64_t>(ox + width, 0, newWidth);
        const std::int64_t outHeight = newHeight;
        const std::uint8_t* const inBits = m_pchMapaBits;
        std::uint8_t* const outBits = result.m_pchMapaBits;
        const std::uint8_t* const blankRow = blank.data();
        ForEachRowBand(std::int32_t(outHeight), outStride, [&](std::int32_t first, std::int32_t last) {
            for (std::int32_t r = first; r < last; ++r) {
                std::uint8_t* out = outBits + std::size_t(r) * outStride;
                const std::int64_t y = (outHeight - 1 - r) - oy;  // the source row, top first
                if (y < 0 || y >= height || x0 >= x1) {
                    std::memcpy(out, blankRow, outStride);
                    continue;
                }
                const std::uint8_t* in = inBits + std::size_t(height - 1 - y) * inStride;
                const std::size_t sx = std::size_t(x0 - ox), n = std::size_t(x1 - x0);
                if (depth < 8) {
                    std::memcpy(out, blankRow, outStride);
                    CopyBits(out, std::size_t(x0) * depth, in, sx * depth, n * depth);
                } else {
                    const std::size_t bpp = depth / 8;
                    std::memcpy(out, blankRow, std::size_t(x0) * bpp);
                    std::memcpy(out + std::size_t(x0) * bpp, in + sx * bpp, n * bpp);
                    std::memcpy(out + std::size_t(x1) * bpp, blankRow + std::size_t(x1) * bpp,
                                outStride - std::size_t(x1) * bpp);
                }
            }
        });
        ReplaceKeepingName(std::move(result));
        return 0;
    });
}

unsigned CVelora::AngularDisplacement(int distance, float alpha, float beta, const MonitorGeometry& monitor,
                                      DisplacementReadout& readout) {
    if (!(alpha >= 0 && alpha <= 80)) return 3;
    if (!(beta >= 0 && beta <= 360)) return 4;
    const bool second = monitor.monitors >= 2;
    const std::uint32_t width = second ? monitor.secondWidth : monitor.mainWidth;
    const std::uint32_t height = second ? monitor.secondHeight : monitor.mainHeight;
    const std::uint32_t widthMm = second ? monitor.secondWidthMm : monitor.mainWidthMm;
    const std::uint32_t heightMm = second ? monitor.secondHeightMm : monitor.mainHeightMm;
    if (monitor.monitors == 0 || !Measurable(width, height, widthMm, heightMm)) return 5;

    const float r = float(std::sin(double(alpha) / 180.0 * kPi) * distance);
    const double phi = (double(beta) - 90.0) / 180.0 * kPi;
    float horizontal = float(std::cos(phi) * r);
    float vertical = float(std::sin(phi) * r);
    // Straight up, down or left: the other component is exactly 0, not a rounding residue.
    if (beta == 0 || beta == 180 || beta == 360) horizontal = 0;
    if (beta == 270) vertical = 0;
    readout.centimetres = r;
    readout.inches = float(r * kInchesPerCm);
    readout.horizontal = horizontal;
    readout.vertical = vertical;
    // Single precision, over whole centimetres.
    readout.dx = TruncateToInt(float(width) * horizontal / float(widthMm / 10));
    readout.dy = TruncateToInt(float(height) * vertical / float(heightMm / 10));
    return 0;
}

unsigned CVelora::TranslateByAngle(int mode, int distance, float alpha, float beta, std::uint32_t background,
                                   DisplacementReadout& readout, const MonitorGeometry& monitor) {
    return RefuseWithoutMemory(6, [&]() -> unsigned {
        if (!HasImage() || !velora::detail::IsAccessibleDepth(GetBitCount())) return 1;
        if (mode != 0 && mode != 1) return 2;
        if (const unsigned code = AngularDisplacement(distance, alpha, beta, monitor, readout); code != 0) return code;
        const unsigned code = Translate(mode, readout.dx, readout.dy, background);
        return code == 3 ? 6 : code;
    });
}

unsigned CVelora::AngularExtent(int distance, float angle, int monitor, const MonitorGeometry& record,
                                AngularExtentResult& result) {
    if (distance < 0) return 1;
    if (!(angle >= 0 && angle <= 60)) return 2;
    if (monitor != 0 && (monitor != 1 || record.monitors < 2)) return 3;
    const bool second = monitor == 1;
    const std::uint32_t width = second ? record.secondWidth : record.mainWidth;
    const std::uint32_t height = second ? record.secondHeight : record.mainHeight;
    const std::uint32_t widthMm = second ? record.secondWidthMm : record.mainWidthMm;
    const std::uint32_t heightMm = second ? record.secondHeightMm : record.mainHeightMm;
    if (!Measurable(width, height, widthMm, heightMm)) return 4;
    const float extent = float(std::sin(double(angle) * kPi / 180.0) * distance);
    result.centimetres = extent;
    result.inches = float(extent * kInchesPerCm);
    result.horizontalPixels = TruncateToInt(float(width) * extent / float(widthMm / 10));
    result.verticalPixels = TruncateToInt(float(height) * extent / float(heightMm / 10));
    return 0;
}
