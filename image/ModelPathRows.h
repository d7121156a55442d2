// The colour-model paths' rows (internal to the library), for the plain calls and for
// CModelPreview: a row's whole groups of pixels through the vector paths (ModelPathLanes.h)
// where HasAvx2() and the model has them, the rest through the plain pieces
// (ModelPathPixels.h). Rows are shared among the library's threads.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "ModelLanes.h"
#include "ModelPathLanes.h"
#include "ModelPathPixels.h"
#include "Parallel.h"
#include "VectorTarget.h"

namespace velora::detail {

inline void YuvRows(const PixelRows& pixels, const float* newY) {
    const YuvTerms& t = TheYuvTerms();
    ForRows(pixels, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t y = first; y < last; ++y) {
            std::uint8_t* p = pixels.Row(y);
            std::int32_t x = 0;
#if VELORA_X86
            if (HasAvx2()) {
                x = YuvRowInLanes(p, pixels.step, pixels.width, newY, t);
                p += std::size_t(x) * pixels.step;
            }
#endif
            for (; x < pixels.width; ++x, p += pixels.step) {
                const int key = KeyOf<kModelYUV>(p);
                const std::size_t u = std::size_t(p[0] - key + 255), v = std::size_t(p[2] - key + 255);
                const float Y = newY[key];
                const std::uint8_t red = ClampTruncate(Y + t.red[v]);
                const std::uint8_t green = ClampTruncate(Y - t.greenU[u] - t.greenV[v]);
                const std::uint8_t blue = ClampTruncate(Y + t.blue[u]);
                p[0] = blue, p[1] = green, p[2] = red;
            }
        }
    });
}

// Eight: a block's factors. Through: the plain call's row, eight pixels at a time from their
// factors straight to their way back (HSV's took longer so than through its blocks, measured
// in turn); returns how many pixels it did.
struct HsvMaker {
    HsvPixel operator()(const std::uint8_t* p) const { return HsvFactors(p); }
#if VELORA_X86
    VELORA_AVX2 void Eight(HsvBlock& block, const std::uint8_t* p, std::size_t step) const { MakeBlock(block, p, step); }
#endif
};
struct HslMaker {
    const HslTables& tables;
    HslPixel operator()(const std::uint8_t* p) const { return HslFactors(tables, p); }
#if VELORA_X86
    VELORA_AVX2 std::int32_t Through(std::uint8_t* p, std::size_t step, std::int32_t width, const HslValues& values) const {
        std::int32_t x = 0;
        for (; x + 8 <= width; x += 8, p += 8 * step) HslFinish8(p, step, HslFactors8(tables, p, step), values);
        return x;
    }
#endif
};
struct HslCoder {
    const HslTables& tables;
    std::uint32_t operator()(const std::uint8_t* p) const { return HslCode(tables, p); }
#if VELORA_X86
    VELORA_AVX2 void Eight(HslCodeBlock& block, const std::uint8_t* p, std::size_t step) const {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(block.code), HslCodes8(p, step));
    }
#endif
};

// The way back of one row from its blocks: whole blocks eight at a time where the processor
// has AVX2 (values: what FinishBlocks takes), the rest through finish(p, pixel).
template <class Block, class Values, class Finish>
void FinishRow(std::uint8_t* p, const Block* row, std::int32_t width, std::size_t step,
               [[maybe_unused]] const Values& values, const Finish& finish) {
    std::int32_t x = 0;
#if VELORA_X86
    if (HasAvx2()) {
        x = width / 8 * 8;
        FinishBlocks(p, step, row, x / 8, values);
        p += std::size_t(x) * step;
    }
#endif
    for (; x < width; ++x, p += step) finish(p, LaneOf(row[x / 8], x % 8));
}

#if VELORA_X86
// make.Eight over a row's whole blocks, in one loop of the AVX2 target (which can inline it);
// returns how many pixels it did.
template <class Block, class Make>
VELORA_AVX2 std::int32_t MakeWholeBlocks(Block* row, const std::uint8_t* p, std::int32_t width, std::size_t step, const Make& make) {
    std::int32_t x = 0;
    for (; x + 8 <= width; x += 8, p += 8 * step) make.Eight(row[x / 8], p, step);
    return x;
}
#endif

// The factors make(pixel) of a row into its blocks; eight at a time through make.Eight where
// the maker has it and the processor has AVX2.
template <class Block, class Make>
void MakeRowOfBlocks(Block* row, const std::uint8_t* p, std::int32_t width, std::size_t step, const Make& make) {
    std::int32_t x = 0;
#if VELORA_X86
    if constexpr (requires { make.Eight(row[0], p, step); })
        if (HasAvx2()) {
            x = MakeWholeBlocks(row, p, width, step, make);
            p += std::size_t(x) * step;
        }
#endif
    for (; x < width; ++x, p += step) PutLane(row[x / 8], x % 8, make(p));
}

// The plain call's way: where the maker has it, the whole groups of eight through
// make.Through and the rest through finish(pixel, make(pixel)); where it makes blocks of eight,
// each row's factors into blocks, then its way back; else pixel by pixel.
template <class Block = void, class Make, class Values, class Finish>
void RowsThroughBlocks(const PixelRows& pixels, const Make& make, const Values& values, const Finish& finish) {
#if VELORA_X86
    constexpr bool kThrough = requires { make.Through(pixels.bits, std::size_t(pixels.step), pixels.width, values); };
#else
    constexpr bool kThrough = false;
#endif
    if constexpr (kThrough) {
        ForRows(pixels, [&](std::int32_t first, std::int32_t last) {
            for (std::int32_t y = first; y < last; ++y) {
                std::uint8_t* p = pixels.Row(y);
                std::int32_t x = 0;
                if (HasAvx2()) {
                    x = make.Through(p, pixels.step, pixels.width, values);
                    p += std::size_t(x) * pixels.step;
                }
                for (; x < pixels.width; ++x, p += pixels.step) finish(p, make(p));
            }
        });
    } else if constexpr (!std::is_void_v<Block>) {
        const std::size_t perRow = (std::size_t(pixels.width) + 7) / 8;
        ForRows(pixels, [&](std::int32_t first, std::int32_t last) {
            std::vector<Block> row(perRow);
            for (std::int32_t y = first; y < last; ++y) {
                std::uint8_t* p = pixels.Row(y);
                MakeRowOfBlocks(row.data(), p, pixels.width, pixels.step, make);
                FinishRow(p, row.data(), pixels.width, pixels.step, values, finish);
            }
        });
    } else {
        ForRows(pixels, [&](std::int32_t first, std::int32_t last) {
            for (std::int32_t y = first; y < last; ++y) {
                std::uint8_t* p = pixels.Row(y);
                for (std::int32_t x = 0; x < pixels.width; ++x, p += pixels.step) finish(p, make(p));
            }
        });
    }
}

template <int Model>
void KeyedRows(const PixelRows& pixels, const float* newValue) {
    if constexpr (Model == kModelYUV) {
        YuvRows(pixels, newValue);
        return;
    }
    if constexpr (Model == kModelHSV) {
        // HSV and HSL through the preview's factors: their way back then needs no branch.
        const HsvValues values(newValue);
        RowsThroughBlocks<HsvBlock>(pixels, HsvMaker{}, values,
                                    [&](std::uint8_t* p, const HsvPixel& in) { HsvFinish(p, in, values); });
        return;
    }
    if constexpr (Model == kModelHSL) {
        const HslValues values(newValue);
        const HslTables& tables = TheHslTables();
        RowsThroughBlocks(pixels, HslMaker{tables}, values, [&](std::uint8_t* p, const HslPixel& in) { HslFinish(p, in, values); });
        return;
    }
    ForRows(pixels, [&](std::int32_t first, std::int32_t last) {
        ConvertRows<Model>(pixels, first, last,
                           [&](float* values, const std::uint8_t* p) { values[KeyedComponent<Model>()] = newValue[KeyOf<Model>(p)]; });
    });
}

// The function on each value a keyed component takes.
template <int Model>
std::array<float, KeyCount<Model>()> KeyedTransfer(int function, float alpha) {
    std::array<float, KeyCount<Model>()> newValue;
    for (int key = 0; key < KeyCount<Model>(); ++key)
        newValue[std::size_t(key)] = ModelTransfer(function, ValueOfKey<Model>(key), alpha);
    return newValue;
}

inline void CmykRows(const PixelRows& pixels, const CmykTable& red, const CmykTable& green, const CmykTable& blue) {
    ForRows(pixels, [&](std::int32_t first, std::int32_t last) {
        const std::int32_t width = pixels.width;  // locals the byte stores cannot alias
        const std::size_t step = pixels.step;
        for (std::int32_t y = first; y < last; ++y) {
            std::uint8_t* p = pixels.Row(y);
            std::int32_t x = 0;
#if VELORA_X86
            if (HasAvx2()) {
                x = CmykRowInLanes(p, step, width, red.data(), green.data(), blue.data());
                p += std::size_t(x) * step;
            }
#endif
            for (; x < width; ++x, p += step) {
                const Cmyk v = CmykOf(p);
                p[2] = red[std::size_t(v.c * 256 + v.k)];
                p[1] = green[std::size_t(v.m * 256 + v.k)];
                p[0] = blue[std::size_t(v.y * 256 + v.k)];
            }
        }
    });
}

// make(R - G, R - B) for every pair of differences that occurs in the image.
template <class Entry, class Make>
std::vector<Entry> PairTable(const PixelRows& pixels, const Make& make) {
    std::vector<std::uint8_t> used(std::size_t(kPairSide) * kPairSide, 0);
    ForRows(pixels, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t y = first; y < last; ++y) {
            const std::uint8_t* p = pixels.Row(y);
            for (std::int32_t x = 0; x < pixels.width; ++x, p += pixels.step) {
                std::atomic_ref<std::uint8_t> mark(used[std::size_t(PairOf(p[2], p[1], p[0]))]);
                if (mark.load(std::memory_order_relaxed) == 0) mark.store(1, std::memory_order_relaxed);
            }
        }
    });
    std::vector<Entry> table(used.size());
    ForEachRowBand(kPairSide, std::size_t(kPairSide) * 256, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t rg = first; rg < last; ++rg)
            for (int rb = 0; rb < kPairSide; ++rb) {
                const std::size_t at = std::size_t(rg) * kPairSide + std::size_t(rb);
                if (used[at]) table[at] = make(rg - 255, rb - 255);
            }
    });
    return table;
}

// The hue terms of a picture's pairs: a large picture takes the table of every pair, made once
// (about 3 MB; on noise nearly every pair occurs, and marking them cost a pass), a small one
// the table of its own pairs, in own.
inline const std::vector<HsiHue>& HueTable(const PixelRows& pixels, std::vector<HsiHue>& own) {
    constexpr std::int64_t kWholeTablePixels = std::int64_t(1) << 20;
    if (std::int64_t(pixels.width) * pixels.height < kWholeTablePixels) {
        own = PairTable<HsiHue>(pixels, HueTerms);
        return own;
    }
    static const std::vector<HsiHue> every = [] {
        std::vector<HsiHue> table(std::size_t(kPairSide) * kPairSide);
        ForEachRowBand(kPairSide, std::size_t(kPairSide) * 256, [&](std::int32_t first, std::int32_t last) {
            for (std::int32_t rg = first; rg < last; ++rg)
                for (int rb = 0; rb < kPairSide; ++rb) table[std::size_t(rg) * kPairSide + std::size_t(rb)] = HueTerms(rg - 255, rb - 255);
        });
        return table;
    }();
    return every;
}

struct HsiMaker {
    const std::vector<HsiHue>& hues;
    HsiPixel operator()(const std::uint8_t* p) const { return HsiFactors(hues, p); }
#if VELORA_X86
    VELORA_AVX2 void Eight(HsiBlock& out, const std::uint8_t* p, std::size_t step) const { MakeBlock(out, hues, p, step); }
#endif
};

// newI[sum] is the changed intensity of the pixels whose R + G + B is sum, over 255.
inline void HsiRows(const PixelRows& pixels, const float* newI) {
    std::vector<HsiHue> own;
    const std::vector<HsiHue>& hues = HueTable(pixels, own);
    RowsThroughBlocks<HsiBlock>(pixels, HsiMaker{hues}, newI,
                                [&](std::uint8_t* p, const HsiPixel& in) {
                                    HsiFinish(p, in.sector, in.oneMinusS, in.onePlusW, newI[in.sum]);
                                });
}

// The function on each intensity, by the sum R + G + B, on the 0..1 scale of the way back.
inline std::array<float, 766> HsiTransfer(int function, float alpha) {
    std::array<float, 766> newI;
    for (int sum = 0; sum < 766; ++sum) newI[std::size_t(sum)] = ModelTransfer(function, HsiIntensity(sum), alpha) / 255.0f;
    return newI;
}

// ---------------------------------------------------------------- components of many values

// The lanes of the models that have them (else void).
template <int Model>
struct LanesOf {
    using Type = void;
};
#if VELORA_X86
template <>
struct LanesOf<kModelYIQ> {
    using Type = YiqLanes;
};
template <>
struct LanesOf<kModelYCbCr> {
    using Type = YCbCrLanes;
};
template <>
struct LanesOf<kModelCIEXYZ> {
    using Type = XyzLanes;
};
#endif

// Rows [first, last) through ToModel, the lanes' change and FromModel: whole groups in lanes
// where the model and the processor have them, the rest through change(values, p).
template <int Model, class LanesChange, class Change>
void ConvertRowsInLanes(const PixelRows& pixels, std::int32_t first, std::int32_t last,
                        [[maybe_unused]] const LanesChange& lanesChange, const Change& change) {
    for (std::int32_t y = first; y < last; ++y) {
        std::int32_t x = 0;
#if VELORA_X86
        using Lanes = typename LanesOf<Model>::Type;
        if constexpr (!std::is_void_v<Lanes>)
            if (HasAvx2()) x = ModelLanesRow<Lanes>(pixels.Row(y), pixels.step, pixels.width, 0, lanesChange);
#endif
        ConvertRowFrom<Model>(pixels, y, x, change);
    }
}

// LAB's or LUV's components (range 1) of a row, as ToModel gives them, three floats a pixel.
template <int Model>
void CieRow(const std::uint8_t* p, std::size_t step, std::int32_t width, float* out) {
    std::int32_t x = 0;
#if VELORA_X86
    if (HasAvx2()) x = CieRowInLanes<Model>(p, step, width, out);
#endif
    for (; x < width; ++x) {
        float values[4] = {};
        ToModelT<Model>(ColourAt(p + std::size_t(x) * step), values);
        std::copy_n(values, 3, out + std::size_t(x) * 3);
    }
}

}  // namespace velora::detail
