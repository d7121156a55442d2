// Means of a column, a row or the whole image, for the image-information window.
#include "CVelora.h"
#include "PixelRow.h"

using velora::detail::ReadPixel;

std::int64_t CVelora::MeanOf(std::int32_t x0, std::int32_t x1, std::int32_t y0, std::int32_t y1, bool sumRawDirect,
                             RGBQUAD& colour) const {
    const unsigned depth = GetBitCount();
    std::uint64_t value = 0, red = 0, green = 0, blue = 0;
    for (std::int32_t y = y0; y < y1; ++y) {
        const std::uint8_t* row = Row(y);
        for (std::int32_t x = x0; x < x1; ++x) {
            const std::uint32_t raw = ReadPixel(row, x, depth);
            if (IsIndexed()) {
                const RGBQUAD c = PaletteColor(raw);
                value += raw;
                red += c.rgbRed, green += c.rgbGreen, blue += c.rgbBlue;
            } else {
                // Direct colour: a column or row sums no value; the whole image sums 0x00RRGGBB.
                if (sumRawDirect) value += raw;
                red += (raw >> 16) & 0xFF, green += (raw >> 8) & 0xFF, blue += raw & 0xFF;
            }
        }
    }
    const std::uint64_t count = std::uint64_t(x1 - x0) * std::uint64_t(y1 - y0);
    if (count == 0) {
        colour.rgbRed = colour.rgbGreen = colour.rgbBlue = 0;
        return 0;
    }
    colour.rgbRed = std::uint8_t(red / count);
    colour.rgbGreen = std::uint8_t(green / count);
    colour.rgbBlue = std::uint8_t(blue / count);
    return std::int64_t(value / count);
}

namespace {
void Zero(RGBQUAD& c) { c.rgbRed = c.rgbGreen = c.rgbBlue = 0; }
}  // namespace

std::int64_t CVelora::GetMeanColumn(std::int32_t x, RGBQUAD& colour) const {
    if (!HasAccessibleDepth()) return Zero(colour), -1;
    if (x < 0 || x >= GetWidth()) return -2;
    return MeanOf(x, x + 1, 0, GetHeight(), false, colour);
}

std::int64_t CVelora::GetMeanRow(std::int32_t y, RGBQUAD& colour) const {
    if (!HasAccessibleDepth()) return Zero(colour), -1;
    if (y < 0 || y >= GetHeight()) return -2;
    return MeanOf(0, GetWidth(), y, y + 1, false, colour);
}

std::int64_t CVelora::GetMeanImage(RGBQUAD& colour) const {
    if (!HasAccessibleDepth()) return Zero(colour), -1;
    return MeanOf(0, GetWidth(), 0, GetHeight(), true, colour);
}
