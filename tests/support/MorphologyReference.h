// Morphology pixel by pixel, straight from the rules, for checking the library's fast paths
// byte for byte: binary (1 bit, index 0 the members) and gray (4 and 8 bits, the indices as
// levels), an element of up to 5 x 5.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "CVelora.h"

namespace testing_support {

namespace morphology_reference {

struct Element {
    std::span<const std::uint8_t> values;
    int width, height, originX, originY;
    std::uint8_t At(int r, int c) const { return values[std::size_t(r) * width + c]; }
    std::uint8_t Reflected(int r, int c) const { return At(height - 1 - r, width - 1 - c); }
    Element Mirrored() const { return {values, width, height, width - 1 - originX, height - 1 - originY}; }
};

// Dilation (dilate) or erosion of image in place, reading a copy of it.
inline void ErodeOrDilate(CVelora& image, const Element& el, bool dilate) {
    const CVelora source(image);
    const std::int32_t width = source.GetWidth(), height = source.GetHeight();
    const unsigned depth = source.GetBitCount();
    const int offX = el.width - 1 - el.originX, offY = el.height - 1 - el.originY;
    const int top = (1 << depth) - 1;
    const auto inside = [&](std::int64_t x, std::int64_t y) { return x >= 0 && y >= 0 && x < width && y < height; };
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x) {
            std::uint32_t out;
            if (depth == 1) {
                // Dilation: any member cell over a black pixel (the outside is white). Erosion:
                // every member cell over a black pixel inside.
                bool member = !dilate;
                for (int r = 0; r < el.height; ++r)
                    for (int c = 0; c < el.width; ++c) {
                        const std::int64_t sx = std::int64_t(x) - offX + c, sy = std::int64_t(y) - offY + r;
                        const bool black = inside(sx, sy) && source.GetPixel(std::int32_t(sx), std::int32_t(sy)) == 0;
                        if (dilate && el.Reflected(r, c) != 1 && black) member = true;
                        if (!dilate && el.At(r, c) == 0 && !black) member = false;
                    }
                out = member ? 0 : 1;
            } else {
                // The outside reads as 0 for the dilation and as the top level for the erosion.
                int best = dilate ? 0 : top;
                for (int r = 0; r < el.height; ++r)
                    for (int c = 0; c < el.width; ++c) {
                        const std::int64_t sx = std::int64_t(x) - offX + c, sy = std::int64_t(y) - offY + r;
                        const int level = inside(sx, sy) ? int(source.GetPixel(std::int32_t(sx), std::int32_t(sy)))
                                                         : (dilate ? 0 : top);
                        best = dilate ? std::max(best, level + el.Reflected(r, c)) : std::min(best, level - el.At(r, c));
                    }
                out = std::uint32_t(std::clamp(best, 0, top));
            }
            image.SetPixel(x, y, out);
        }
}

inline void Opening(CVelora& image, const Element& el) {
    ErodeOrDilate(image, el.Mirrored(), false);
    ErodeOrDilate(image, el.Mirrored(), true);
}
inline void Closing(CVelora& image, const Element& el) {
    ErodeOrDilate(image, el.Mirrored(), true);
    ErodeOrDilate(image, el.Mirrored(), false);
}
// image - other: the set difference of two-colour images, else the saturating difference.
inline bool Subtract(CVelora& image, const CVelora& other) {
    if (image.GetBitCount() == 1) return image.SetOperation(4, &other) == 0;
    return image.SaturatingArithmetic(1, other) == 0;
}

// Reaches the protected growth of a short colour table, which the operation applies first.
struct TableAccess : CVelora {
    static bool HoldEveryLevel(CVelora& image) { return (image.*&TableAccess::TableHoldsEveryLevel)(); }
};

}  // namespace morphology_reference

// What image.Morphology(...) gives, result code included.
inline unsigned ReferenceMorphology(CVelora& image, unsigned operation, std::span<const std::uint8_t> values, int width,
                                    int height, int originX, int originY) {
    using namespace morphology_reference;
    if (operation > 6) return 1;
    const unsigned depth = image.GetBitCount();
    if (!image.HasImage() || (depth != 1 && depth != 4 && depth != 8)) return 2;
    if (width < 1 || width > 5 || height < 1 || height > 5 || originX < 0 || originY < 0 || originX >= width ||
        originY >= height || values.size() < std::size_t(width) * std::size_t(height))
        return 3;
    CVelora work(image);
    if (!TableAccess::HoldEveryLevel(work)) return 4;
    const Element el{values, width, height, originX, originY}, m = el.Mirrored();
    bool ok = true;
    switch (operation) {
        case 0: ErodeOrDilate(work, el, true); break;
        case 1: ErodeOrDilate(work, el, false); break;
        case 2: Opening(work, el); break;
        case 3: Closing(work, el); break;
        case 4:
            Opening(work, m);
            Closing(work, m);
            break;
        case 5: {
            CVelora eroded(work);
            ErodeOrDilate(work, m, true);
            ErodeOrDilate(eroded, m, false);
            ok = Subtract(work, eroded);
            break;
        }
        default: {
            CVelora opened(work);
            Opening(opened, m);
            ok = Subtract(work, opened);
            break;
        }
    }
    if (!ok) return 4;
    image = work;  // as ReplaceKeepingName: work carries image's name
    return 0;
}

}  // namespace testing_support
