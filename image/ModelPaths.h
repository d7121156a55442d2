// The colour-model paths of NonLinearContrast and Equalize on direct-colour pixels (internal
// to the library): one loop per model, with the conversions inlined, and the transfer
// evaluated once per value where the changed component takes few values.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "CVelora.h"
#include "ColorModelMath.h"

namespace velora::detail {

// The sigmoids' pi (a float: the transfer multiplies by it) and their denominator, the sine or
// tangent of the half angle alpha pi / 2.
inline constexpr float kTransferPi = float(3.1415926535);
template <int Function>
inline float SigmoidDenominator(float alpha) {
    static_assert(Function == 5 || Function == 6);
    const float half = alpha * kTransferPi * 0.5f;
    return Function == 5 ? std::sin(half) : std::tan(half);
}

// The non-linear transfer on a model component in [0, 255], in single precision without
// integer division. At alpha 1 the single-precision half angle lies just past the pole of
// tan, and the tangent sigmoid steps outside [0, 255] at the ends (255 gives 255.000015);
// the result is clamped to the component's range. Alpha 0 takes the sigmoids' limit, x.
template <int Function>
inline float ModelTransferT(float x, float alpha) {
    x = std::clamp(x, 0.0f, 255.0f);
    float v = 0.0f;
    if constexpr (Function == 0) v = x * x / 255.0f;
    else if constexpr (Function == 1) v = x * x * x / 65025.0f;
    else if constexpr (Function == 2) v = std::sqrt(x * 255.0f);
    else if constexpr (Function == 3) v = std::pow(x * 65025.0f, 0.333333f);
    else if constexpr (Function == 4) v = std::log(x + 1.0f) / std::log(256.0f) * 255.0f;
    else {
        if (alpha == 0.0f) {
            v = x;
        } else {
            const float t = (x / 255.0f - 0.5f) * alpha * kTransferPi;
            if constexpr (Function == 5) v = std::sin(t) * 127.5f / SigmoidDenominator<5>(alpha) + 127.5f;
            else v = std::tan(t) * 127.5f / SigmoidDenominator<6>(alpha) + 127.5f;
        }
    }
    return v > 0.0f ? std::min(v, 255.0f) : 0.0f;
}

inline float ModelTransfer(int function, float x, float alpha) {
    switch (function) {
        case 0: return ModelTransferT<0>(x, alpha);
        case 1: return ModelTransferT<1>(x, alpha);
        case 2: return ModelTransferT<2>(x, alpha);
        case 3: return ModelTransferT<3>(x, alpha);
        case 4: return ModelTransferT<4>(x, alpha);
        case 5: return ModelTransferT<5>(x, alpha);
        default: return ModelTransferT<6>(x, alpha);
    }
}

// Whether the transfer costs a library call (the cube root's power, the logarithm, the
// sigmoids), so that it pays to evaluate it once per distinct value.
inline bool TransferIsCostly(int function, float alpha) { return function >= 3 && !(function >= 5 && alpha == 0.0f); }

// A range-1 component truncated to its equalization bin; rounding in the conversions may
// step a hair outside [0, 255].
inline int EqualizeBin(float component) { return int(ClampTo255(component)); }

// The equalized level of every bin from the counts of the bins, over `pixels` pixels.
inline void EqualizedLevels(const double* bins, std::int64_t pixels, float* levels) {
    double cumulative = 0.0;
    for (int bin = 0; bin < 256; ++bin) {
        cumulative += bins[bin] / double(pixels);
        levels[bin] = float(std::trunc(255.0 * cumulative + 0.5));
    }
}

// The components each operation changes in a model (1..10): [first, first + count).
struct ChangedComponents {
    int first, count;
};
inline ChangedComponents NonLinearComponents(int model) {
    if (model >= kModelHSI && model <= kModelHSL) return {2, 1};  // I, V, L
    return {0, model == kModelCMYK ? 4 : model == kModelCIEXYZ ? 3 : 1};
}
inline ChangedComponents EqualizedComponents(int model) {
    if (model >= kModelHSI && model <= kModelHSL) return {2, 1};
    return {0, model == kModelCMYK || model == kModelCIEXYZ ? 3 : 1};  // C, M, Y (not K); X, Y, Z
}

// The direct-colour pixels of an image: `height` stored rows of `width` pixels of `step`
// bytes (blue, green, red, and alpha for 4), `stride` bytes apart.
struct PixelRows {
    std::uint8_t* bits;
    std::int32_t width, height;
    std::size_t stride;
    unsigned step;
    std::uint8_t* Row(std::int32_t stored) const { return bits + std::size_t(stored) * stride; }
};

// NonLinearContrast in a model 1..10 on every pixel (function 0..6, alpha in [0, 1]).
void NonLinearInModel(const PixelRows& pixels, int model, int function, float alpha);
// Equalize in a model 1..10 on every pixel; at least one pixel.
void EqualizeInModel(const PixelRows& pixels, int model);
// SplitChannels' H, S and I bytes of every pixel into three 8-bit images of the same size,
// whose stored rows start at outputs[i] and lie strides[i] bytes apart.
void SplitHsi(const PixelRows& pixels, std::uint8_t* const* outputs, const std::size_t* strides);

}  // namespace velora::detail
