// The colour-model paths of NonLinearContrast on direct-colour pixels, and SplitChannels' HSI.
//
// Every path computes what ToModel, the change of the component(s) and FromModel compute for
// each pixel, with the same operations in the same order; only where a value comes from
// differs. The conversions are inlined into one loop per model. Components that take few
// values get their new value from a table over those values: CMYK's bytes, HSI's sum R+G+B
// (766 values), HSV's maximum, HSL's maximum plus minimum, YUV's truncated Y. HSI's hue
// depends only on R - G and R - B: its acos and the two cosines of the way back are taken
// once per pair that occurs. HSV's and HSL's ways back go through factors of the pixel and
// tables rather than branches, and bytes are clamped without branches: noise meets every
// case at random. Rows are shared among the library's threads.
//
// The plain pieces are in ModelPathPixels.h, their vector forms in ModelPathLanes.h, the rows
// that pick between them in ModelPathRows.h; Equalize in a model is VeloraModelEqualize.cpp,
// and CModelPreview, which keeps what depends on the pixels alone for a dialog's repeated
// previews, VeloraModelPreview.cpp.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <type_traits>
#include <vector>

#include "CVelora.h"
#include "ModelLanes.h"
#include "ModelPathRows.h"
#include "ModelPaths.h"
#include "Parallel.h"
#include "VectorTarget.h"

namespace velora::detail {
namespace {

template <int Model>
void NonLinearKeyed(const PixelRows& pixels, int function, float alpha) {
    KeyedRows<Model>(pixels, KeyedTransfer<Model>(function, alpha).data());
}

void NonLinearCmyk(const PixelRows& pixels, int function, float alpha) {
    float newValue[256];
    for (int v = 0; v < 256; ++v) newValue[v] = ModelTransfer(function, float(v), alpha);
    auto table = std::make_unique<CmykTable>();
    FillCmykTable(newValue, newValue, *table);
    CmykRows(pixels, *table, *table, *table);
}

void NonLinearHsi(const PixelRows& pixels, int function, float alpha) { HsiRows(pixels, HsiTransfer(function, alpha).data()); }

// A change of components that the lanes cannot make (the models without lanes).
struct NoLanes {};

template <int Model, int Function>
void NonLinearValuedRows(const PixelRows& pixels, float alpha) {
    const ChangedComponents which = NonLinearComponents(Model);
    const auto change = [&](float* values, const std::uint8_t*) {
        for (int c = which.first; c < which.first + which.count; ++c) values[c] = ModelTransferT<Function>(values[c], alpha);
    };
    if constexpr (Model == kModelCIELAB || Model == kModelCIELUV) {
        // A row's components first (their powers four pixels at a time), then the way back.
        ForRows(pixels, [&](std::int32_t first, std::int32_t last) {
            std::vector<float> components(std::size_t(pixels.width) * 3);
            for (std::int32_t y = first; y < last; ++y) {
                std::uint8_t* p = pixels.Row(y);
                CieRow<Model>(p, pixels.step, pixels.width, components.data());
                std::int32_t x = 0;
#if VELORA_X86
                if (HasAvx2()) {
                    using Back = std::conditional_t<Model == kModelCIELAB, LabBack, LuvBack>;
                    x = ComponentsBackRowInLanes<Back, Function, false>(p, pixels.step, pixels.width, components.data(),
                                                                        nullptr, nullptr, alpha);
                }
#endif
                for (p += std::size_t(x) * pixels.step; x < pixels.width; ++x, p += pixels.step) {
                    float values[4] = {};
                    std::copy_n(&components[std::size_t(x) * 3], 3, values);
                    change(values, p);
                    RGBQUAD result{};
                    FromModelT<Model>(values, result);
                    Put(p, result);
                }
            }
        });
        return;
    }
    ForRows(pixels, [&](std::int32_t first, std::int32_t last) {
        if constexpr (std::is_void_v<typename LanesOf<Model>::Type>) {
            ConvertRowsInLanes<Model>(pixels, first, last, NoLanes{}, change);
        } else {
#if VELORA_X86  // (without them no model has lanes)
            using Lanes = typename LanesOf<Model>::Type;
            if constexpr (kBoundsPay<Function>)
                if (HasAvx2()) {
                    const CostlyTransfer costly = MakeCostlyTransfer<Function>(alpha);
                    const auto open = [&](std::uint8_t* p) { ConvertPixel<Model>(p, change); };
                    for (std::int32_t y = first; y < last; ++y) {
                        const std::int32_t x = BoundedLanesRow<Lanes, Function>(pixels.Row(y), pixels.step, pixels.width, costly, open);
                        ConvertRowFrom<Model>(pixels, y, x, change);
                    }
                    return;
                }
            ConvertRowsInLanes<Model>(pixels, first, last, TransferChange<Lanes, Function>{alpha}, change);
#endif
        }
    });
}

template <int Model>
void NonLinearValued(const PixelRows& pixels, int function, float alpha) {
    switch (function) {
        case 0: NonLinearValuedRows<Model, 0>(pixels, alpha); break;
        case kModelCMYK: NonLinearValuedRows<Model, 1>(pixels, alpha); break;
        case kModelHSI: NonLinearValuedRows<Model, 2>(pixels, alpha); break;
        case kModelHSV: NonLinearValuedRows<Model, 3>(pixels, alpha); break;
        case kModelHSL: NonLinearValuedRows<Model, 4>(pixels, alpha); break;
        case kModelYIQ: NonLinearValuedRows<Model, 5>(pixels, alpha); break;
        default: NonLinearValuedRows<Model, 6>(pixels, alpha); break;
    }
}

}  // namespace

void SplitHsi(const PixelRows& pixels, std::uint8_t* const* outputs, const std::size_t* strides) {
    const std::vector<std::uint8_t> hue =
        PairTable<std::uint8_t>(pixels, [](int rg, int rb) { return ClampTruncate(std::trunc(HsiHueOf(rg, rb))); });
    std::uint8_t intensity[766];
    for (int sum = 0; sum < 766; ++sum) intensity[sum] = ClampTruncate(std::trunc(HsiIntensity(sum)));
    ForRows(pixels, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t y = first; y < last; ++y) {
            const std::uint8_t* p = pixels.Row(y);
            std::uint8_t* h = outputs[0] + std::size_t(y) * strides[0];
            std::uint8_t* s = outputs[1] + std::size_t(y) * strides[1];
            std::uint8_t* i = outputs[2] + std::size_t(y) * strides[2];
            for (std::int32_t x = 0; x < pixels.width; ++x, p += pixels.step) {
                const int B = p[0], G = p[1], R = p[2];
                h[x] = hue[std::size_t(PairOf(R, G, B))];
                // S as RGBToHSI gives it: 0 for grays (black included).
                s[x] = R == G && G == B ? 0
                                        : ClampTruncate(std::trunc(float(
                                              (1.0 - 3.0 * double(float(std::min({R, G, B}))) / double(float(R + G + B))) *
                                              255.0)));
                i[x] = intensity[R + G + B];
            }
        }
    });
}

void NonLinearInModel(const PixelRows& pixels, int model, int function, float alpha) {
    switch (model) {
        case kModelCMYK: NonLinearCmyk(pixels, function, alpha); break;
        case kModelHSI: NonLinearHsi(pixels, function, alpha); break;
        case kModelHSV: NonLinearKeyed<kModelHSV>(pixels, function, alpha); break;
        case kModelHSL: NonLinearKeyed<kModelHSL>(pixels, function, alpha); break;
        case kModelYIQ: NonLinearValued<kModelYIQ>(pixels, function, alpha); break;
        case kModelYUV: NonLinearKeyed<kModelYUV>(pixels, function, alpha); break;
        case kModelYCbCr: NonLinearValued<kModelYCbCr>(pixels, function, alpha); break;
        case kModelCIEXYZ: NonLinearValued<kModelCIEXYZ>(pixels, function, alpha); break;
        case kModelCIELAB: NonLinearValued<kModelCIELAB>(pixels, function, alpha); break;
        case kModelCIELUV: NonLinearValued<kModelCIELUV>(pixels, function, alpha); break;
        default: break;
    }
}

}  // namespace velora::detail
