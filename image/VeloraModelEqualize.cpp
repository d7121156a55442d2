// Equalize in a colour model on direct-colour pixels: the bins of the changed component(s)
// counted over the picture, then every pixel through the model with its component(s) leveled.
// The rows are the colour-model paths' (ModelPathRows.h), so the bytes are those of ToModel,
// the leveling and FromModel pixel by pixel.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <type_traits>
#include <vector>

#include "ModelLanes.h"
#include "ModelPathRows.h"
#include "ModelPaths.h"
#include "Parallel.h"
#include "VectorTarget.h"

namespace velora::detail {
namespace {

// Counts gathered by the bands and added up under a lock (integer sums: any order).
template <std::size_t N>
struct SharedCounts {
    std::mutex mutex;
    std::array<std::uint64_t, N> total{};
    void Add(const std::array<std::uint64_t, N>& part) {
        const std::lock_guard lock(mutex);
        for (std::size_t i = 0; i < N; ++i) total[i] += part[i];
    }
};

template <int Model>
void CountKeys(const PixelRows& pixels, std::uint64_t* counts) {
    SharedCounts<KeyCount<Model>()> shared;
    ForRows(pixels, [&](std::int32_t first, std::int32_t last) {
        std::array<std::uint64_t, KeyCount<Model>()> part{};
#if VELORA_X86
        std::vector<std::uint32_t> copies;  // the lanes' counts, added to part at the band's end
        if (HasAvx2()) copies.assign(std::size_t(kBinCopies) * KeyCount<Model>(), 0);
#endif
        for (std::int32_t y = first; y < last; ++y) {
            const std::uint8_t* p = pixels.Row(y);
            std::int32_t x = 0;
#if VELORA_X86
            if (HasAvx2()) {
                x = CountKeysRow<Model>(p, pixels.step, pixels.width, copies.data());
                p += std::size_t(x) * pixels.step;
            }
#endif
            for (; x < pixels.width; ++x, p += pixels.step) ++part[std::size_t(KeyOf<Model>(p))];
        }
#if VELORA_X86
        for (std::size_t at = 0; at < copies.size(); ++at) part[at % KeyCount<Model>()] += copies[at];
#endif
        shared.Add(part);
    });
    std::copy(shared.total.begin(), shared.total.end(), counts);
}

template <int Model>
void EqualizeKeyed(const PixelRows& pixels) {
    std::uint64_t counts[KeyCount<Model>()];
    CountKeys<Model>(pixels, counts);
    double bins[256] = {};
    for (int key = 0; key < KeyCount<Model>(); ++key) bins[EqualizeBin(ValueOfKey<Model>(key))] += double(counts[key]);
    float levels[256];
    EqualizedLevels(bins, std::int64_t(pixels.width) * pixels.height, levels);
    float newValue[KeyCount<Model>()];
    for (int key = 0; key < KeyCount<Model>(); ++key) newValue[key] = levels[EqualizeBin(ValueOfKey<Model>(key))];
    KeyedRows<Model>(pixels, newValue);
}

void EqualizeCmyk(const PixelRows& pixels) {
    SharedCounts<3 * 256> shared;
    ForRows(pixels, [&](std::int32_t first, std::int32_t last) {
        // Pixel x counts in copy x % 4 of the bins: neighbours in the same bin then do not wait
        // on each other's increments.
        std::array<std::uint32_t, 4 * 3 * 256> copies{};
        const std::int32_t width = pixels.width;  // locals the counts' stores cannot alias
        const std::size_t step = pixels.step;
        for (std::int32_t y = first; y < last; ++y) {
            const std::uint8_t* p = pixels.Row(y);
            for (std::int32_t x = 0; x < width; ++x, p += step) {
                const Cmyk v = CmykOf(p);
                std::uint32_t* counts = &copies[std::size_t(x & 3) * 3 * 256];
                ++counts[std::size_t(v.c)], ++counts[std::size_t(256 + v.m)], ++counts[std::size_t(512 + v.y)];
            }
        }
        std::array<std::uint64_t, 3 * 256> part{};
        for (std::size_t at = 0; at < copies.size(); ++at) part[at % (3 * 256)] += copies[at];
        shared.Add(part);
    });
    float same[256];
    for (int k = 0; k < 256; ++k) same[k] = float(k);
    auto tables = std::make_unique<std::array<CmykTable, 3>>();
    for (std::size_t channel = 0; channel < 3; ++channel) {
        double bins[256];
        for (std::size_t v = 0; v < 256; ++v) bins[v] = double(shared.total[channel * 256 + v]);
        float levels[256];
        EqualizedLevels(bins, std::int64_t(pixels.width) * pixels.height, levels);
        FillCmykTable(levels, same, (*tables)[channel]);
    }
    CmykRows(pixels, (*tables)[0], (*tables)[1], (*tables)[2]);
}

void EqualizeHsi(const PixelRows& pixels) {
    std::uint64_t counts[766];
    CountKeys<kModelHSI>(pixels, counts);
    double bins[256] = {};
    for (int sum = 0; sum < 766; ++sum) bins[EqualizeBin(HsiIntensity(sum))] += double(counts[sum]);
    float levels[256];
    EqualizedLevels(bins, std::int64_t(pixels.width) * pixels.height, levels);
    float newI[766];
    for (int sum = 0; sum < 766; ++sum) newI[sum] = levels[EqualizeBin(HsiIntensity(sum))] / 255.0f;
    HsiRows(pixels, newI);
}

template <int Model>
void EqualizeValued(const PixelRows& pixels) {
    const ChangedComponents which = EqualizedComponents(Model);
    const std::int64_t count = std::int64_t(pixels.width) * pixels.height;
    // The first pass counts bins; the second converts again (for LAB and LUV, whose first
    // pass needs only L's bins, which floats mostly settle, exactly: their components are
    // then at hand a row at a time). XYZ's way back needs nothing but its three bins, which
    // the first pass leaves in each pixel's bytes (bin c in byte c).
    SharedCounts<3 * 256> shared;
    ForRows(pixels, [&](std::int32_t first, std::int32_t last) {
        std::array<std::uint64_t, 3 * 256> part{};
#if VELORA_X86
        std::vector<std::uint32_t> copies;  // the lanes' counts, added to part at the band's end
        if (HasAvx2()) copies.assign(std::size_t(3) * kBinCopies * 256, 0);
#endif
        // LAB's and LUV's L (their one equalized component, the first) in four interleaved
        // copies of its bins, as the lanes count theirs.
        std::array<std::uint32_t, (Model == kModelCIELAB || Model == kModelCIELUV) ? 4 * 256 : 1> lightness{};
        for (std::int32_t y = first; y < last; ++y) {
            std::uint8_t* p = pixels.Row(y);
            if constexpr (Model == kModelCIELAB || Model == kModelCIELUV) {
                std::int32_t x = 0;
#if VELORA_X86
                if (HasAvx2()) x = CountLightnessRow<Model>(p, pixels.step, pixels.width, lightness.data());
#endif
                for (; x < pixels.width; ++x) {
                    float values[4] = {};
                    ToModelT<Model>(ColourAt(p + std::size_t(x) * pixels.step), values);
                    ++lightness[std::size_t((x & 3) * 256 + EqualizeBin(values[0]))];
                }
                continue;
            }
            std::int32_t x = 0;
#if VELORA_X86
            if constexpr (!std::is_void_v<typename LanesOf<Model>::Type>)
                if (HasAvx2()) {
                    x = CountBinsRow<typename LanesOf<Model>::Type, Model == kModelCIEXYZ>(p, pixels.step, pixels.width, copies.data());
                    p += std::size_t(x) * pixels.step;
                }
#endif
            for (; x < pixels.width; ++x, p += pixels.step) {
                float values[4] = {};
                ToModelT<Model>(ColourAt(p), values);
                for (int c = which.first; c < which.first + which.count; ++c) {
                    const int bin = EqualizeBin(values[c]);
                    ++part[std::size_t(c * 256 + bin)];
                    if constexpr (Model == kModelCIEXYZ) p[c] = std::uint8_t(bin);
                }
            }
        }
#if VELORA_X86
        for (std::size_t at = 0; at < copies.size(); ++at) part[at / (kBinCopies * 256) * 256 + at % 256] += copies[at];
#endif
        if constexpr (Model == kModelCIELAB || Model == kModelCIELUV)
            for (std::size_t at = 0; at < lightness.size(); ++at) part[at % 256] += lightness[at];
        shared.Add(part);
    });
    float levels[3][256];
    for (int c = which.first; c < which.first + which.count; ++c) {
        double bins[256];
        for (std::size_t v = 0; v < 256; ++v) bins[v] = double(shared.total[std::size_t(c) * 256 + v]);
        EqualizedLevels(bins, count, levels[c]);
    }
    ForRows(pixels, [&](std::int32_t first, std::int32_t last) {
        std::vector<float> row((Model == kModelCIELAB || Model == kModelCIELUV) ? std::size_t(pixels.width) * 3 : 0);  // LAB's or LUV's components
        for (std::int32_t y = first; y < last; ++y) {
            std::uint8_t* p = pixels.Row(y);
            const float* components = nullptr;
            if constexpr (Model == kModelCIELAB || Model == kModelCIELUV) {
                CieRow<Model>(p, pixels.step, pixels.width, row.data());
                components = row.data();
            }
            std::int32_t x = 0;
#if VELORA_X86
            if constexpr (!std::is_void_v<typename LanesOf<Model>::Type>)
                if (HasAvx2()) {
                    using Lanes = typename LanesOf<Model>::Type;
                    if constexpr (Lanes::kChanged == 3) x = LeveledKeptBinsRow<Lanes>(p, pixels.step, pixels.width, levels);
                    else x = ModelLanesRow<Lanes>(p, pixels.step, pixels.width, 0, LevelChange<Lanes>{levels});
                    p += std::size_t(x) * pixels.step;
                }
            if constexpr (Model == kModelCIELAB || Model == kModelCIELUV)
                if (HasAvx2()) {
                    using Back = std::conditional_t<Model == kModelCIELAB, LabBack, LuvBack>;
                    x = LeveledRowInLanes<Back>(p, pixels.step, pixels.width, components, levels[0]);
                    p += std::size_t(x) * pixels.step;
                }
#endif
            for (; x < pixels.width; ++x, p += pixels.step) {
                float values[4] = {};
                if constexpr (Model == kModelCIEXYZ) {
                    for (int c = 0; c < 3; ++c) values[c] = levels[c][p[c]];
                } else {
                    if (components) std::copy_n(components + 3 * x, 3, values);
                    else ToModelT<Model>(ColourAt(p), values);
                    for (int c = which.first; c < which.first + which.count; ++c) values[c] = levels[c][EqualizeBin(values[c])];
                }
                RGBQUAD result{};
                FromModelT<Model>(values, result);
                Put(p, result);
            }
        }
    });
}

}  // namespace

void EqualizeInModel(const PixelRows& pixels, int model) {
    switch (model) {
        case kModelCMYK: EqualizeCmyk(pixels); break;
        case kModelHSI: EqualizeHsi(pixels); break;
        case kModelHSV: EqualizeKeyed<kModelHSV>(pixels); break;
        case kModelHSL: EqualizeKeyed<kModelHSL>(pixels); break;
        case kModelYIQ: EqualizeValued<kModelYIQ>(pixels); break;
        case kModelYUV: EqualizeKeyed<kModelYUV>(pixels); break;
        case kModelYCbCr: EqualizeValued<kModelYCbCr>(pixels); break;
        case kModelCIEXYZ: EqualizeValued<kModelCIEXYZ>(pixels); break;
        case kModelCIELAB: EqualizeValued<kModelCIELAB>(pixels); break;
        case kModelCIELUV: EqualizeValued<kModelCIELUV>(pixels); break;
        default: break;
    }
}

}  // namespace velora::detail
