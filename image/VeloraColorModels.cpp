// Colour models: conversions of one colour between RGB and the ten other models, in the
// numeric ranges each model offers, and the separation of an image into its components.
//
// The formulas are the classic ones of the course, step by step in the precision they were
// given: single precision unless a step is marked double below; r, g, b are R/255 etc.
// computed in double and stored as float. Every float that becomes a byte is clamped
// first (NaN gives 0), so no float-to-integer conversion can overflow, and no formula
// divides by zero or takes acos of a value that rounding pushed outside [-1, 1].
#include <algorithm>
#include <cmath>
#include <type_traits>

#include "CVelora.h"
#include "ColorModelMath.h"
#include "ModelPaths.h"
#include "Parallel.h"
#include "PixelRow.h"

namespace {

using namespace velora::detail;

const ColorModelInfo kModels[kColorModelCount] = {
    {"RGB", "RGB", 3, {"R", "G", "B", "CANAL ALFA"}},
    {"CMYK", "CMY", 4, {"C", "M", "Y", "K"}},
    {"HSI", "HSI", 3, {"H", "S", "I", nullptr}},
    {"HSV", "HSV", 3, {"H", "S", "V", nullptr}},
    {"HSL", "HSL", 3, {"H", "S", "L", nullptr}},
    {"YIQ", "YIQ", 3, {"Y", "I", "Q", nullptr}},
    {"YUV", "YUV", 3, {"Y", "U", "V", nullptr}},
    {"YCbCr", "YCbCr", 3, {"Y", "Cb", "Cr", nullptr}},
    {"CIE XYZ", "CIEXYZ", 3, {"CIE X", "CIE Y", "CIE Z", nullptr}},
    {"CIE LAB", "CIELAB", 3, {"CIE L", "CIE A", "CIE B", nullptr}},
    {"CIE LUV", "CIELUV", 3, {"CIE L", "CIE U", "CIE V", nullptr}},
};

}  // namespace

const ColorModelInfo* FindColorModel(int model) {
    return model >= 0 && model < kColorModelCount ? &kModels[model] : nullptr;
}

// ---------------------------------------------------------------- conversions of one colour

float* CVelora::RGBToCMYK(float* out, std::uint32_t colour, int range) { return velora::detail::RGBToCMYK(out, colour, range); }
RGBQUAD* CVelora::CMYKToRGB(RGBQUAD* out, const float* in, int range) { return velora::detail::CMYKToRGB(out, in, range); }
float* CVelora::RGBToHSI(float* out, std::uint32_t colour, int range) { return velora::detail::RGBToHSI(out, colour, range); }
RGBQUAD* CVelora::HSIToRGB(RGBQUAD* out, const float* in, int range) { return velora::detail::HSIToRGB(out, in, range); }
float* CVelora::RGBToHSV(float* out, std::uint32_t colour, int range) { return velora::detail::RGBToHSV(out, colour, range); }
RGBQUAD* CVelora::HSVToRGB(RGBQUAD* out, const float* in, int range) { return velora::detail::HSVToRGB(out, in, range); }
float* CVelora::RGBToHSL(float* out, std::uint32_t colour, int range) { return velora::detail::RGBToHSL(out, colour, range); }
RGBQUAD* CVelora::HSLToRGB(RGBQUAD* out, const float* in, int range) { return velora::detail::HSLToRGB(out, in, range); }
float* CVelora::RGBToYIQ(float* out, std::uint32_t colour, int range) { return velora::detail::RGBToYIQ(out, colour, range); }
RGBQUAD* CVelora::YIQToRGB(RGBQUAD* out, const float* in, int range) { return velora::detail::YIQToRGB(out, in, range); }
float* CVelora::RGBToYUV(float* out, std::uint32_t colour, int range) { return velora::detail::RGBToYUV(out, colour, range); }
RGBQUAD* CVelora::YUVToRGB(RGBQUAD* out, const float* in, int range) { return velora::detail::YUVToRGB(out, in, range); }
float* CVelora::RGBToYCbCr(float* out, std::uint32_t colour, int range) { return velora::detail::RGBToYCbCr(out, colour, range); }
RGBQUAD* CVelora::YCbCrToRGB(RGBQUAD* out, const float* in, int range) { return velora::detail::YCbCrToRGB(out, in, range); }
float* CVelora::RGBToXYZ(float* out, std::uint32_t colour, int range) { return velora::detail::RGBToXYZ(out, colour, range); }
RGBQUAD* CVelora::XYZToRGB(RGBQUAD* out, const float* in, int range) { return velora::detail::XYZToRGB(out, in, range); }
float* CVelora::XYZToLAB(float* out, const float* xyz, int inputRange, int outputRange) { return velora::detail::XYZToLAB(out, xyz, inputRange, outputRange); }
float* CVelora::LABToXYZ(float* out, const float* lab, int inputRange, int outputRange) { return velora::detail::LABToXYZ(out, lab, inputRange, outputRange); }
float* CVelora::RGBToLAB(float* out, std::uint32_t colour, int range) { return velora::detail::RGBToLAB(out, colour, range); }
float* CVelora::XYZToLUV(float* out, const float* xyz, int inputRange, int outputRange) { return velora::detail::XYZToLUV(out, xyz, inputRange, outputRange); }
float* CVelora::LUVToXYZ(float* out, const float* luv, int inputRange, int outputRange) { return velora::detail::LUVToXYZ(out, luv, inputRange, outputRange); }
float* CVelora::RGBToLUV(float* out, std::uint32_t colour, int range) { return velora::detail::RGBToLUV(out, colour, range); }

// ---------------------------------------------------------------- per-pixel forms

bool CVelora::ToModel(int colorModel, std::uint32_t colour, float* out) {
    switch (colorModel) {
        case kModelRGB: {
            const Bytes c = Split(colour);
            out[0] = c.R, out[1] = c.G, out[2] = c.B;
            return true;
        }
        case kModelCMYK: return RGBToCMYK(out, colour, 1) != nullptr;
        case kModelHSI: return RGBToHSI(out, colour, 1) != nullptr;
        case kModelHSV: return RGBToHSV(out, colour, 1) != nullptr;
        case kModelHSL: return RGBToHSL(out, colour, 1) != nullptr;
        case kModelYIQ: return RGBToYIQ(out, colour, 1) != nullptr;
        case kModelYUV: return RGBToYUV(out, colour, 1) != nullptr;
        case kModelYCbCr: return RGBToYCbCr(out, colour, 1) != nullptr;
        case kModelCIEXYZ: return RGBToXYZ(out, colour, 1) != nullptr;
        case kModelCIELAB: return RGBToLAB(out, colour, 1) != nullptr;
        case kModelCIELUV: return RGBToLUV(out, colour, 1) != nullptr;
        default: return false;
    }
}

bool CVelora::FromModel(int colorModel, const float* in, RGBQUAD& out) {
    float xyz[3];
    switch (colorModel) {
        case kModelRGB: {
            const auto byte = [](float v) { return v > 0 ? std::uint8_t(RoundHalfDown(std::min(v, 255.0f))) : std::uint8_t(0); };
            Store(&out, byte(in[0]), byte(in[1]), byte(in[2]));
            return true;
        }
        case kModelCMYK: return CMYKToRGB(&out, in, 1) != nullptr;
        case kModelHSI: return HSIToRGB(&out, in, 1) != nullptr;
        case kModelHSV: return HSVToRGB(&out, in, 1) != nullptr;
        case kModelHSL: return HSLToRGB(&out, in, 1) != nullptr;
        case kModelYIQ: return YIQToRGB(&out, in, 1) != nullptr;
        case kModelYUV: return YUVToRGB(&out, in, 1) != nullptr;
        case kModelYCbCr: return YCbCrToRGB(&out, in, 1) != nullptr;
        case kModelCIEXYZ: return XYZToRGB(&out, in, 1) != nullptr;
        case kModelCIELAB: return LABToXYZ(xyz, in, 1, 1) && XYZToRGB(&out, xyz, 1);
        case kModelCIELUV: return LUVToXYZ(xyz, in, 1, 1) && XYZToRGB(&out, xyz, 1);
        default: return false;
    }
}

// ---------------------------------------------------------------- channel separation

unsigned CVelora::SplitChannels(int colorModel, CVelora* out1, CVelora* out2, CVelora* out3, CVelora* out4) const {
    if (!HasAccessibleDepth()) return 1;
    const ColorModelInfo* model = FindColorModel(colorModel);
    if (!model) return 5;
    const unsigned depth = GetBitCount();
    // A 32-bit image's alpha goes to the fourth output when there is one; CMYK needs it.
    const bool alpha = colorModel == kModelRGB && depth == 32 && out4;
    CVelora* outputs[4] = {out1, out2, out3, out4};
    const int count = alpha ? 4 : model->components;
    for (int i = 0; i < count; ++i)
        if (!outputs[i] || !outputs[i]->HasImage()) return 2;
    for (int i = 0; i < count; ++i)
        if (outputs[i]->GetWidth() != GetWidth() || outputs[i]->GetHeight() != GetHeight()) return 3;
    for (int i = 0; i < count; ++i)
        if (outputs[i]->GetBitCount() != 8) return 4;

    using Conversion = float* (*)(float*, std::uint32_t, int);
    static const Conversion kConversions[kColorModelCount] = {
        nullptr,  &RGBToCMYK, &RGBToHSI, &RGBToHSV, &RGBToHSL, &RGBToYIQ,
        &RGBToYUV, &RGBToYCbCr, &RGBToXYZ, &RGBToLAB, &RGBToLUV};
    const Conversion convert = kConversions[colorModel];
    const int components = model->components;
    // The components of one colour as bytes; std::trunc keeps the clamp on the float side.
    const auto toBytes = [&](std::uint32_t colour, std::uint8_t* bytes) {
        float values[4] = {};
        convert(values, colour, 1);
        for (int i = 0; i < components; ++i) bytes[i] = ClampTruncate(std::trunc(values[i]));
    };

    const std::int32_t width = GetWidth(), height = GetHeight();
    if (IsIndexed()) {
        // Once per table entry (an index beyond the table is black), then a lookup per pixel.
        std::uint8_t table[256][4] = {};
        for (std::uint32_t index = 0; index < (1u << depth); ++index) {
            if (colorModel == kModelRGB && depth < 8) {
                const auto level = std::uint8_t(depth == 1 ? index * 255 : index * 255 / 15);
                table[index][0] = table[index][1] = table[index][2] = level;
            } else {
                const RGBQUAD c = PaletteColor(index);
                if (colorModel == kModelRGB) {
                    table[index][0] = c.rgbRed, table[index][1] = c.rgbGreen, table[index][2] = c.rgbBlue;
                } else {
                    toBytes((std::uint32_t(c.rgbRed) << 16) | (std::uint32_t(c.rgbGreen) << 8) | c.rgbBlue, table[index]);
                }
            }
        }
        for (std::int32_t y = 0; y < height; ++y) {
            const std::uint8_t* row = Row(y);
            std::uint8_t* rows[4] = {};
            for (int i = 0; i < count; ++i) rows[i] = outputs[i]->Row(y);
            for (std::int32_t x = 0; x < width; ++x) {
                const std::uint8_t* bytes = table[velora::detail::ReadPixel(row, x, depth)];
                for (int i = 0; i < count; ++i) rows[i][x] = bytes[i];
            }
        }
    } else {
        // One loop per model, the conversion inlined; rows shared among the threads.
        const std::size_t step = depth / 8;
        const auto split = [&](auto modelConstant) {
            constexpr int kModel = decltype(modelConstant)::value;
            const std::size_t work = GetBytesPerRow() * (kModel == kModelRGB ? 1 : 16);
            velora::detail::ForEachRowBand(height, work, [&](std::int32_t first, std::int32_t last) {
                for (std::int32_t y = first; y < last; ++y) {
                    const std::uint8_t* p = Row(y);
                    std::uint8_t* rows[4] = {};
                    for (int i = 0; i < count; ++i) rows[i] = outputs[i]->Row(y);
                    for (std::int32_t x = 0; x < width; ++x, p += step) {
                        if constexpr (kModel == kModelRGB) {
                            rows[0][x] = p[2], rows[1][x] = p[1], rows[2][x] = p[0];
                            if (alpha) rows[3][x] = p[3];
                        } else {
                            float values[4] = {};
                            ToModelT<kModel>(std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16),
                                             values);
                            for (int i = 0; i < count; ++i) rows[i][x] = ClampTruncate(std::trunc(values[i]));
                        }
                    }
                }
            });
        };
        switch (colorModel) {
            case kModelRGB: split(std::integral_constant<int, kModelRGB>{}); break;
            case kModelCMYK: split(std::integral_constant<int, kModelCMYK>{}); break;
            case kModelHSI: {
                // The hue once per pair of differences R - G, R - B that occurs.
                std::uint8_t* bits[3];
                std::size_t strides[3];
                for (int i = 0; i < 3; ++i) bits[i] = outputs[i]->m_pchMapaBits, strides[i] = outputs[i]->m_bytesPerRow;
                velora::detail::SplitHsi({m_pchMapaBits, width, height, m_bytesPerRow, unsigned(step)}, bits, strides);
                break;
            }
            case kModelHSV: split(std::integral_constant<int, kModelHSV>{}); break;
            case kModelHSL: split(std::integral_constant<int, kModelHSL>{}); break;
            case kModelYIQ: split(std::integral_constant<int, kModelYIQ>{}); break;
            case kModelYUV: split(std::integral_constant<int, kModelYUV>{}); break;
            case kModelYCbCr: split(std::integral_constant<int, kModelYCbCr>{}); break;
            case kModelCIEXYZ: split(std::integral_constant<int, kModelCIEXYZ>{}); break;
            case kModelCIELAB: split(std::integral_constant<int, kModelCIELAB>{}); break;
            default: split(std::integral_constant<int, kModelCIELUV>{}); break;
        }
    }
    for (int i = 0; i < count; ++i) outputs[i]->SetGrayPalette();
    return 0;
}
