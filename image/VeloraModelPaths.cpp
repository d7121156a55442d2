// The colour-model paths of NonLinearContrast and Equalize on direct-colour pixels.
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
// CModelPreview keeps what depends on the pixels alone, for a dialog's repeated previews.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <type_traits>
#include <vector>

#include "ByteRows.h"
#include "CVelora.h"
#include "ColorModelMath.h"
#include "LargeArrays.h"
#include "ModelLanes.h"
#include "ModelPaths.h"
#include "Parallel.h"

namespace velora::detail {
namespace {

// These loops cost far more per byte than a copy: they go to the threads sooner.
constexpr std::size_t kWorkPerByte = 16;

template <class Work>
void ForRows(const PixelRows& pixels, const Work& work) {
    ForEachRowBand(pixels.height, std::size_t(pixels.width) * pixels.step * kWorkPerByte,
                   [&](std::int32_t first, std::int32_t last) { work(first, last); });
}

std::uint32_t ColourAt(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
}

void Put(std::uint8_t* p, const RGBQUAD& c) {
    p[0] = c.rgbBlue;
    p[1] = c.rgbGreen;
    p[2] = c.rgbRed;
}

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

// ---------------------------------------------------------------- the generic loop

// One pixel through ToModel, change(components, pixel) and FromModel.
template <int Model, class Change>
void ConvertPixel(std::uint8_t* p, const Change& change) {
    float values[4] = {};
    ToModelT<Model>(ColourAt(p), values);
    change(values, p);
    RGBQUAD result{};
    FromModelT<Model>(values, result);
    Put(p, result);
}

// Row y from pixel x0 on through ToModel, change(components, pixel) and FromModel.
template <int Model, class Change>
void ConvertRowFrom(const PixelRows& pixels, std::int32_t y, std::int32_t x0, const Change& change) {
    std::uint8_t* p = pixels.Row(y) + std::size_t(x0) * pixels.step;
    for (std::int32_t x = x0; x < pixels.width; ++x, p += pixels.step) ConvertPixel<Model>(p, change);
}

// The same on rows [first, last).
template <int Model, class Change>
void ConvertRows(const PixelRows& pixels, std::int32_t first, std::int32_t last, const Change& change) {
    for (std::int32_t y = first; y < last; ++y) ConvertRowFrom<Model>(pixels, y, 0, change);
}

// ---------------------------------------------------------------- keyed components

// The key of the changed component of HSV, HSL and YUV, and the component's value for a key,
// as RGBToHSV, RGBToHSL and RGBToYUV compute it.
template <int Model>
int KeyOf(const std::uint8_t* p) {
    const int B = p[0], G = p[1], R = p[2];
    if constexpr (Model == 2) return R + G + B;
    else if constexpr (Model == 3) return std::max({R, G, B});
    else if constexpr (Model == 4) return std::max({R, G, B}) + std::min({R, G, B});
    else return int(0.587f * float(G) + 0.299f * float(R) + 0.114f * float(B));  // the conversion truncates
}
template <int Model>
constexpr int KeyCount() {
    return Model == 2 ? 766 : Model == 4 ? 511 : 256;
}
template <int Model>
float ValueOfKey(int key) {
    if constexpr (Model == 3) return float(double(float(key)) / 255.0 * double(255.0f));
    else if constexpr (Model == 4) return float((key + 1) * 255) / 510.0f;
    else return float(key);
}
template <int Model>
constexpr int KeyedComponent() {
    return Model == 6 ? 0 : 2;
}

// HSVToRGB's factors of v in p = (1 - s) v, q = (1 - f s) v, t = (1 - (1 - f) s) v, from H and
// S alone, and the sector that places them (gray: all three factors 1, every byte from v).
struct HsvPixel {
    float p, q, t;
    std::uint8_t sector, max;
};

// HSLToRGB: s, and for r, g and b the hue each takes (h + 120, h, h - 120 brought into
// 0..360) as w with its kind: 0 m1 + (m2 - m1) w / 60 (w the hue), 1 m2, 2 the same as 0 with
// w = 240 - hue, 3 m1.
struct HslPixel {
    float s;
    float w[3];
    std::uint16_t key;  // maximum plus minimum
    std::uint8_t kinds[3];
};

HsvPixel HsvFactors(const std::uint8_t* p) {
    float in[4] = {};
    RGBToHSV(in, ColourAt(p), 1);
    const auto max = std::uint8_t(std::max({p[0], p[1], p[2]}));
    const float s = in[1] / 255.0f;
    if (s == 0) return HsvPixel{1.0f, 1.0f, 1.0f, 0, max};
    const float h = in[0] / 42.5f;
    const float i = std::floor(h);
    const float f = h - i;
    return HsvPixel{1 - s, 1 - f * s, 1 - (1 - f) * s, std::uint8_t(i >= 0 && i <= 4 ? int(i) : 5), max};
}

// The new V of each maximum over 255 (HSVToRGB's v), and its byte.
struct HsvValues {
    float v[256];
    std::uint8_t byte[256];
    std::int32_t wideByte[256];  // the same bytes, a word each, for the vector way back
    explicit HsvValues(const float* newValue) {
        for (int max = 0; max < 256; ++max) {
            v[max] = newValue[max] / 255.0f;
            byte[max] = ClampRound(v[max] * 255);
            wideByte[max] = byte[max];
        }
    }
};

// Which of v, p, q, t (0 to 3) red, green and blue take in each sector of HSVToRGB.
constexpr std::uint8_t kHsvPlaces[6][3] = {{0, 3, 1}, {2, 0, 1}, {1, 0, 3}, {1, 2, 0}, {3, 1, 0}, {0, 1, 2}};

[[gnu::always_inline]] inline void HsvFinish(std::uint8_t* p, const HsvPixel& in, const HsvValues& values) {
    // Each channel's byte picked by its sector's places rather than branched to: the sectors
    // come at random.
    const float v = values.v[in.max];
    const std::uint8_t bytes[4] = {values.byte[in.max], ClampRound(in.p * v * 255), ClampRound(in.q * v * 255),
                                   ClampRound(in.t * v * 255)};
    const std::uint8_t* places = kHsvPlaces[in.sector];
    p[2] = bytes[places[0]], p[1] = bytes[places[1]], p[0] = bytes[places[2]];
}

// What HslFactors needs from RGBToHSL and the hue split, by the few values each depends on:
// S by (maximum, minimum); the hue's integer parts (max - value) 42.5 / d by (d, max - value);
// each channel's w and kind by the integer hue. Filled once, with the same operations.
struct HslTables {
    float s[256][256];                // [max][min], already scaled as HslPixel::s
    std::uint8_t part[256][256];      // [d][max - value], for d > 0
    float w[256][3];                  // [hue][channel]
    std::uint8_t kinds[256][3];
    std::uint32_t kindWords[256];     // kinds[hue] as a word's low three bytes, for the lanes
    HslTables() {
        for (int max = 0; max < 256; ++max)
            for (int min = 0; min <= max; ++min) {
                float in[4] = {};
                RGBToHSL(in, std::uint32_t(max) << 16 | std::uint32_t(min) << 8 | std::uint32_t(min), 1);
                s[max][min] = in[1] * 0.003921569f;
            }
        for (int d = 1; d < 256; ++d)
            for (int k = 0; k <= d; ++k) part[d][k] = std::uint8_t(int((float(k) * 42.5f + float(d) / 2) / float(d)));
        for (int hueByte = 0; hueByte < 256; ++hueByte) {
            const float h = float(hueByte) * 1.4117647f;
            const float hues[3] = {h + 120, h, h - 120};
            for (int c = 0; c < 3; ++c) {
                float hue = hues[c];
                if (hue > 360) hue -= 360;
                if (hue < 0) hue += 360;
                if (hue < 60) w[hueByte][c] = hue, kinds[hueByte][c] = 0;
                else if (hue < 180) w[hueByte][c] = 0, kinds[hueByte][c] = 1;
                else if (hue < 240) w[hueByte][c] = 240 - hue, kinds[hueByte][c] = 2;
                else w[hueByte][c] = 0, kinds[hueByte][c] = 3;
            }
            kindWords[hueByte] = kinds[hueByte][0] | kinds[hueByte][1] << 8 | std::uint32_t(kinds[hueByte][2]) << 16;
        }
    }
};

const HslTables& TheHslTables() {
    static const auto* tables = new HslTables();  // 330 KB, kept for the process
    return *tables;
}

// A pixel's HslFactors depend on three bytes of it: RGBToHSL's integer hue, the maximum and
// the minimum, which its code holds as hue | max << 8 | min << 16 (what the preview keeps:
// 4 bytes a pixel rather than the factors' 21). The tables hold what the divisions give, so
// a pixel costs lookups. A gray pixel has hue 170, as there.
[[gnu::always_inline]] inline std::uint32_t HslCode(const HslTables& t, const std::uint8_t* p) {
    const int B = p[0], G = p[1], R = p[2];
    const int max = std::max({R, G, B}), min = std::min({R, G, B});
    int hue = 170;
    if (max != min) {
        const std::uint8_t* part = t.part[max - min];
        const int Rd = part[max - R], Gd = part[max - G], Bd = part[max - B];
        hue = R == max ? Bd - Gd : G == max ? 85 + Rd - Bd : 170 + Gd - Rd;
        if (hue < 0) hue += 255;
        if (hue > 255) hue -= 255;
    }
    return std::uint32_t(hue) | std::uint32_t(max) << 8 | std::uint32_t(min) << 16;
}

// RGBToHSL's saturation, then the hue's split per channel.
[[gnu::always_inline]] inline HslPixel HslPixelOfCode(const HslTables& t, std::uint32_t code) {
    const std::uint32_t hue = code & 255, max = (code >> 8) & 255, min = code >> 16;
    HslPixel out{};
    out.s = t.s[max][min];
    out.key = std::uint16_t(max + min);
    for (int c = 0; c < 3; ++c) out.w[c] = t.w[hue][c], out.kinds[c] = t.kinds[hue][c];
    return out;
}

[[gnu::always_inline]] inline HslPixel HslFactors(const HslTables& t, const std::uint8_t* p) {
    return HslPixelOfCode(t, HslCode(t, p));
}

// The new L of each maximum plus minimum, scaled as HSLToRGB scales it.
struct HslValues {
    float l[511];
    explicit HslValues(const float* newValue) {
        for (int key = 0; key < 511; ++key) l[key] = newValue[key] * 0.003921569f;
    }
};

[[gnu::always_inline]] inline void HslFinish(std::uint8_t* p, const HslPixel& in, const HslValues& values) {
    const float l = values.l[in.key], s = in.s;
    const float m2 = l <= 0.5f ? l * (1 + s) : l + s - l * s;
    const float m1 = 2 * l - m2;
    const auto channel = [&](int c) {
        // Picked from a table rather than branched to: the kinds come at random.
        const float ramp = m1 + (m2 - m1) * in.w[c] / 60;
        const float choices[4] = {ramp, m2, ramp, m1};
        return ClampTruncate(choices[in.kinds[c]] * 255);
    };
    // Byte by byte: gathered in a little array first, the bytes were stored one by one and
    // then read back as a word, which the processor cannot forward from its store buffer.
    p[2] = channel(0);
    p[1] = channel(1);
    p[0] = channel(2);
}

// YUV's U and V depend only on B - Y and R - Y (whole numbers in -255..255), and so does each
// term of its way back: tables of them, made with RGBToYUV's and YUVToRGB's own operations.
struct YuvTerms {
    float red[511], greenU[511], greenV[511], blue[511];  // 1.403 V, 0.344 U, 0.714 V, 1.77 U
};

const YuvTerms& TheYuvTerms() {
    static const YuvTerms terms = [] {
        YuvTerms t{};
        for (int d = -255; d <= 255; ++d) {
            const float difference = float(d);
            const float U = std::trunc(difference * 0.565f + 128) - 128;
            const float V = std::trunc(difference * 0.713f + 128) - 128;
            t.red[d + 255] = 1.403f * V, t.greenV[d + 255] = 0.714f * V;
            t.greenU[d + 255] = 0.344f * U, t.blue[d + 255] = 1.77f * U;
        }
        return t;
    }();
    return terms;
}

#if VELORA_X86
// KeyOf<6> of eight pixels: RGBToYUV's truncated Y, (0.587 G + 0.299 R) + 0.114 B in floats.
VELORA_AVX2 inline __m256i YuvKeys(__m256i R, __m256i G, __m256i B) {
    return _mm256_cvttps_epi32(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(Splat8(0.587f), _mm256_cvtepi32_ps(G)),
                                                           _mm256_mul_ps(Splat8(0.299f), _mm256_cvtepi32_ps(R))),
                                             _mm256_mul_ps(Splat8(0.114f), _mm256_cvtepi32_ps(B))));
}

// YuvRows on a row's whole groups of eight pixels; returns how many pixels it did.
VELORA_AVX2 std::int32_t YuvRowInLanes(std::uint8_t* p, std::size_t step, std::int32_t width, const float* newY,
                                       const YuvTerms& t) {
    std::int32_t x = 0;
    const __m256i offset = _mm256_set1_epi32(255);
    for (; x + 8 <= width; x += 8, p += 8 * step) {
        __m256i R, G, B;
        LoadChannels8(p, step, R, G, B);
        const __m256i key = YuvKeys(R, G, B);
        const __m256i u = _mm256_add_epi32(_mm256_sub_epi32(B, key), offset), v = _mm256_add_epi32(_mm256_sub_epi32(R, key), offset);
        const __m256 Y = _mm256_i32gather_ps(newY, key, 4);
        const __m256 red = _mm256_add_ps(Y, _mm256_i32gather_ps(t.red, v, 4));
        const __m256 green = _mm256_sub_ps(_mm256_sub_ps(Y, _mm256_i32gather_ps(t.greenU, u, 4)), _mm256_i32gather_ps(t.greenV, v, 4));
        const __m256 blue = _mm256_add_ps(Y, _mm256_i32gather_ps(t.blue, u, 4));
        StorePixels8(p, step, ClampTruncate8(red), ClampTruncate8(green), ClampTruncate8(blue));
    }
    return x;
}

// KeyOf<Model> of eight pixels: HSI's sum, YUV's truncated luma, HSV's maximum, HSL's maximum
// plus minimum.
template <int Model>
VELORA_AVX2 inline __m256i KeysOf8(const std::uint8_t* p, std::size_t step) {
    __m256i R, G, B;
    LoadChannels8(p, step, R, G, B);
    if constexpr (Model == 6) return YuvKeys(R, G, B);
    if constexpr (Model == 2) return _mm256_add_epi32(_mm256_add_epi32(R, G), B);
    const __m256i max = _mm256_max_epi32(_mm256_max_epi32(R, G), B);
    if constexpr (Model == 3) return max;
    return _mm256_add_epi32(max, _mm256_min_epi32(_mm256_min_epi32(R, G), B));
}

// Adds the keys of a row's whole groups of eight pixels to copies (kBinCopies interleaved
// copies of the key counts, as the equalization's bins); returns how many it did.
template <int Model>
VELORA_AVX2 std::int32_t CountKeysRow(const std::uint8_t* p, std::size_t step, std::int32_t width, std::uint32_t* copies) {
    std::int32_t x = 0;
    for (; x + 8 <= width; x += 8, p += 8 * step) {
        alignas(32) std::int32_t keys[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(keys), KeysOf8<Model>(p, step));
#pragma GCC unroll 8
        for (int k = 0; k < 8; ++k) ++copies[std::size_t((k % kBinCopies) * KeyCount<Model>() + keys[k])];
    }
    return x;
}
#endif

void YuvRows(const PixelRows& pixels, const float* newY) {
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
                const int key = KeyOf<6>(p);
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

// HSIToRGB's factors of i: 1 - s and 1 + s cos / cos, from H and S alone.
struct HsiPixel {
    float oneMinusS, onePlusW;
    std::uint16_t sum;
    std::uint8_t sector;
};

// ---------------------------------------------------------------- blocks of eight pixels
// What the preview keeps for HSI, HSV and HSL goes in blocks of eight pixels of a row, field
// by field, so that the way back can load each field of eight pixels at once. With AVX2 the
// way back runs on the eight together: the same single-precision operations in the same
// order, lane by lane (the target enables AVX2 alone, so no multiply-add is fused), choices
// as blends, and every clamp as max(x, 0), which gives 0 for NaN as the scalar clamps do,
// then min(x, 255). Pixels past the last whole block take the scalar way back.

struct HsiBlock {
    float oneMinusS[8], onePlusW[8];
    std::uint16_t sum[8];
    std::uint8_t sector[8];
};
struct HsvBlock {
    float p[8], q[8], t[8];
    std::uint8_t sector[8], max[8];
};
struct HslCodeBlock {  // what the preview keeps of HSL: HslCode
    std::uint32_t code[8];
};

void PutLane(HsiBlock& b, int lane, const HsiPixel& in) {
    b.oneMinusS[lane] = in.oneMinusS, b.onePlusW[lane] = in.onePlusW, b.sum[lane] = in.sum, b.sector[lane] = in.sector;
}
HsiPixel LaneOf(const HsiBlock& b, int lane) { return HsiPixel{b.oneMinusS[lane], b.onePlusW[lane], b.sum[lane], b.sector[lane]}; }

void PutLane(HsvBlock& b, int lane, const velora::detail::HsvPixel& in) {
    b.p[lane] = in.p, b.q[lane] = in.q, b.t[lane] = in.t, b.sector[lane] = in.sector, b.max[lane] = in.max;
}
velora::detail::HsvPixel LaneOf(const HsvBlock& b, int lane) {
    return velora::detail::HsvPixel{b.p[lane], b.q[lane], b.t[lane], b.sector[lane], b.max[lane]};
}

// The new L of each key and the tables that a code's factors come from.
struct HslCodeValues {
    const velora::detail::HslValues& values;
    const velora::detail::HslTables& tables;
};
void PutLane(HslCodeBlock& b, int lane, std::uint32_t code) { b.code[lane] = code; }
std::uint32_t LaneOf(const HslCodeBlock& b, int lane) { return b.code[lane]; }

#if VELORA_X86

// HsiFinish: newI by R + G + B, then lo, hi and the third component placed by the sector.
VELORA_AVX2 void FinishBlocks(std::uint8_t* p, std::size_t step, const HsiBlock* blocks, std::int32_t count,
                              const float* newI) {
    const __m256 three = _mm256_set1_ps(3), top = _mm256_set1_ps(255);
    for (std::int32_t n = 0; n < count; ++n, p += 8 * step) {
        const HsiBlock& b = blocks[n];
        const __m256 i = _mm256_i32gather_ps(newI, Words8(b.sum), 4);
        const __m256 lo = _mm256_mul_ps(_mm256_loadu_ps(b.oneMinusS), i);
        const __m256 hi = _mm256_mul_ps(_mm256_loadu_ps(b.onePlusW), i);
        const __m256 third = _mm256_sub_ps(_mm256_mul_ps(three, i), _mm256_add_ps(lo, hi));
        const __m256i L = ClampRound8(_mm256_mul_ps(lo, top)), H = ClampRound8(_mm256_mul_ps(hi, top));
        const __m256i T = ClampRound8(_mm256_mul_ps(third, top));
        const __m256i sector = Bytes8(b.sector);  // 0: H T L, 1: L H T, 2: T L H (red, green, blue)
        StorePixels8(p, step, Pick(Pick(T, L, sector, 1), H, sector, 0), Pick(Pick(L, H, sector, 1), T, sector, 0),
                     Pick(Pick(H, T, sector, 1), L, sector, 0));
    }
}

// HsvFactors of eight pixels, lane by lane.
struct HsvLanes {
    __m256 p, q, t;
    __m256i sector, max;
};

// HsvFinish of eight pixels: v's byte, p v, q v and t v, each channel taking the one its
// sector's row names (placeOf[channel]: by sector, 0 to 3 for v, p, q, t).
VELORA_AVX2 __attribute__((always_inline)) inline void HsvFinish8(std::uint8_t* p, std::size_t step, const HsvLanes& f,
                                                                  const velora::detail::HsvValues& values, const __m256i* placeOf) {
    const __m256 top = _mm256_set1_ps(255);
    const __m256 v = _mm256_i32gather_ps(values.v, f.max, 4);
    const __m256i bytes[4] = {_mm256_i32gather_epi32(values.wideByte, f.max, 4),
                              ClampRound8(_mm256_mul_ps(_mm256_mul_ps(f.p, v), top)),
                              ClampRound8(_mm256_mul_ps(_mm256_mul_ps(f.q, v), top)),
                              ClampRound8(_mm256_mul_ps(_mm256_mul_ps(f.t, v), top))};
    __m256i channel[3];
    for (int c = 0; c < 3; ++c) {
        const __m256i place = _mm256_permutevar8x32_epi32(placeOf[c], f.sector);
        channel[c] = Pick(Pick(Pick(bytes[0], bytes[1], place, 1), bytes[2], place, 2), bytes[3], place, 3);
    }
    StorePixels8(p, step, channel[0], channel[1], channel[2]);
}

VELORA_AVX2 void FinishBlocks(std::uint8_t* p, std::size_t step, const HsvBlock* blocks, std::int32_t count,
                              const velora::detail::HsvValues& values) {
    __m256i placeOf[3];  // kHsvPlaces by channel
    for (int c = 0; c < 3; ++c)
        placeOf[c] = _mm256_setr_epi32(kHsvPlaces[0][c], kHsvPlaces[1][c], kHsvPlaces[2][c], kHsvPlaces[3][c],
                                       kHsvPlaces[4][c], kHsvPlaces[5][c], 0, 0);
    for (std::int32_t n = 0; n < count; ++n, p += 8 * step) {
        const HsvBlock& b = blocks[n];
        const HsvLanes f{_mm256_loadu_ps(b.p), _mm256_loadu_ps(b.q), _mm256_loadu_ps(b.t), Bytes8(b.sector), Bytes8(b.max)};
        HsvFinish8(p, step, f, values, placeOf);
    }
}

// HslFactors of eight pixels, lane by lane.
struct HslLanes {
    __m256 s;
    __m256i key;
    __m256 w[3];
    __m256i kind[3];
};

// HslFinish of eight pixels: m1 and m2 from the new L and s, and each channel's ramp, m2 or m1
// by its kind.
VELORA_AVX2 __attribute__((always_inline)) inline void HslFinish8(std::uint8_t* p, std::size_t step, const HslLanes& f,
                                                                  const velora::detail::HslValues& values) {
    const __m256 half = _mm256_set1_ps(0.5f), one = _mm256_set1_ps(1), two = _mm256_set1_ps(2);
    const __m256 top = _mm256_set1_ps(255);
    const __m256 s = f.s;
    const __m256 l = _mm256_i32gather_ps(values.l, f.key, 4);
    const __m256 low = _mm256_mul_ps(l, _mm256_add_ps(one, s));
    const __m256 high = _mm256_sub_ps(_mm256_add_ps(l, s), _mm256_mul_ps(l, s));
    const __m256 m2 = _mm256_blendv_ps(high, low, _mm256_cmp_ps(l, half, _CMP_LE_OQ));
    const __m256 m1 = _mm256_sub_ps(_mm256_mul_ps(two, l), m2);
    const __m256 d = _mm256_sub_ps(m2, m1);
    __m256i channel[3];
    #pragma GCC unroll 3
    for (int c = 0; c < 3; ++c) {
        const __m256 ramp = _mm256_add_ps(m1, velora::detail::Quotient8(_mm256_mul_ps(d, f.w[c]), 60.0f));
        channel[c] = ClampTruncate8(_mm256_mul_ps(Pick(Pick(ramp, m2, f.kind[c], 1), m1, f.kind[c], 3), top));
    }
    StorePixels8(p, step, channel[0], channel[1], channel[2]);
}

// Eight 32-bit lanes (each within the type's range) into eight words or bytes.
VELORA_AVX2 inline __m128i WordsOf(__m256i v) { return _mm_packus_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1)); }
VELORA_AVX2 inline void StoreLanes(__m256i v, std::uint16_t* out) { _mm_storeu_si128(reinterpret_cast<__m128i*>(out), WordsOf(v)); }
VELORA_AVX2 inline void StoreLanes(__m256i v, std::uint8_t* out) {
    const __m128i words = WordsOf(v);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(words, words));
}

// HsvFactors of eight pixels: RGBToHSV's and HsvFactors' single-precision steps in their
// order, the branches as blends (lanes whose branch is not taken are computed and dropped; a
// division by zero there traps nothing).
VELORA_AVX2 __attribute__((always_inline)) inline HsvLanes HsvFactors8(const std::uint8_t* p, std::size_t step) {
    __m256i R8, G8, B8;
    LoadChannels8(p, step, R8, G8, B8);
    const __m256 R = _mm256_cvtepi32_ps(R8), G = _mm256_cvtepi32_ps(G8), B = _mm256_cvtepi32_ps(B8);
    const __m256 zero = _mm256_setzero_ps(), one = _mm256_set1_ps(1);
    const __m256 max = _mm256_max_ps(_mm256_max_ps(R, G), B), min = _mm256_min_ps(_mm256_min_ps(R, G), B);
    const __m256 d = _mm256_sub_ps(max, min);
    const __m256 black = _mm256_cmp_ps(max, zero, _CMP_EQ_OQ), flat = _mm256_cmp_ps(d, zero, _CMP_EQ_OQ);
    // RGBToHSV, range 1: the saturation and the hue.
    const __m256 saturation = _mm256_andnot_ps(black, _mm256_mul_ps(_mm256_div_ps(d, max), _mm256_set1_ps(255)));
    const __m256 hRed = _mm256_div_ps(_mm256_sub_ps(G, B), d);
    const __m256 hGreen = _mm256_add_ps(_mm256_set1_ps(2), _mm256_div_ps(_mm256_sub_ps(B, R), d));
    const __m256 hBlue = _mm256_add_ps(_mm256_set1_ps(4), _mm256_div_ps(_mm256_sub_ps(R, G), d));
    const __m256 h = _mm256_blendv_ps(_mm256_blendv_ps(hBlue, hGreen, _mm256_cmp_ps(G, max, _CMP_EQ_OQ)), hRed,
                                      _mm256_cmp_ps(R, max, _CMP_EQ_OQ));
    __m256 hue = _mm256_mul_ps(_mm256_set1_ps(42.5f), h);
    hue = _mm256_blendv_ps(hue, _mm256_add_ps(hue, _mm256_set1_ps(255)), _mm256_cmp_ps(hue, zero, _CMP_LT_OQ));
    hue = _mm256_andnot_ps(flat, hue);
    hue = _mm256_blendv_ps(hue, _mm256_set1_ps(254), black);
    // HsvFactors.
    const __m256 s = velora::detail::Quotient8(saturation, 255.0f);
    const __m256 gray = _mm256_cmp_ps(s, zero, _CMP_EQ_OQ);
    const __m256 sectorHue = velora::detail::Quotient8(hue, 42.5f);
    const __m256 i = _mm256_floor_ps(sectorHue);
    const __m256 f = _mm256_sub_ps(sectorHue, i);
    HsvLanes out;
    out.p = _mm256_blendv_ps(_mm256_sub_ps(one, s), one, gray);
    out.q = _mm256_blendv_ps(_mm256_sub_ps(one, _mm256_mul_ps(f, s)), one, gray);
    out.t = _mm256_blendv_ps(_mm256_sub_ps(one, _mm256_mul_ps(_mm256_sub_ps(one, f), s)), one, gray);
    const __m256 inRange = _mm256_and_ps(_mm256_cmp_ps(i, zero, _CMP_GE_OQ), _mm256_cmp_ps(i, _mm256_set1_ps(4), _CMP_LE_OQ));
    __m256i sector = _mm256_blendv_epi8(_mm256_set1_epi32(5), _mm256_cvttps_epi32(_mm256_and_ps(i, inRange)),
                                        _mm256_castps_si256(inRange));
    out.sector = _mm256_andnot_si256(_mm256_castps_si256(gray), sector);
    out.max = _mm256_cvttps_epi32(max);
    return out;
}

// HsvFactors of eight pixels into a block.
VELORA_AVX2 void MakeBlock(HsvBlock& out, const std::uint8_t* p, std::size_t step) {
    const HsvLanes f = HsvFactors8(p, step);
    _mm256_storeu_ps(out.p, f.p);
    _mm256_storeu_ps(out.q, f.q);
    _mm256_storeu_ps(out.t, f.t);
    StoreLanes(f.sector, out.sector);
    StoreLanes(f.max, out.max);
}

// RGBToHSL's integer hue of eight pixels from their channels, maximum and the maximum's lead
// over the minimum d, computed rather than looked up (gathers cost more than the divisions
// on eight lanes), the branches as blends.
VELORA_AVX2 __attribute__((always_inline)) inline __m256i HslHue8(__m256i R, __m256i G, __m256i B, __m256i max, __m256i d) {
    const __m256i flat = _mm256_cmpeq_epi32(d, _mm256_setzero_si256());
    // Halving whole numbers is exact: a multiply does it as the division would.
    const __m256 half = _mm256_set1_ps(0.5f), fd = _mm256_cvtepi32_ps(d);
    // The hue's integer parts (max - value) 42.5 / d, rounded as RGBToHSL rounds them.
    const __m256 halfD = _mm256_mul_ps(fd, half), rate = _mm256_set1_ps(42.5f);
    const __m256i Rd = _mm256_cvttps_epi32(_mm256_div_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_sub_epi32(max, R)), rate), halfD), fd));
    const __m256i Gd = _mm256_cvttps_epi32(_mm256_div_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_sub_epi32(max, G)), rate), halfD), fd));
    const __m256i Bd = _mm256_cvttps_epi32(_mm256_div_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_sub_epi32(max, B)), rate), halfD), fd));
    const __m256i byRed = _mm256_sub_epi32(Bd, Gd);
    const __m256i byGreen = _mm256_add_epi32(_mm256_set1_epi32(85), _mm256_sub_epi32(Rd, Bd));
    const __m256i byBlue = _mm256_add_epi32(_mm256_set1_epi32(170), _mm256_sub_epi32(Gd, Rd));
    __m256i hue = _mm256_blendv_epi8(_mm256_blendv_epi8(byBlue, byGreen, _mm256_cmpeq_epi32(G, max)), byRed, _mm256_cmpeq_epi32(R, max));
    hue = _mm256_add_epi32(hue, _mm256_and_si256(_mm256_cmpgt_epi32(_mm256_setzero_si256(), hue), _mm256_set1_epi32(255)));
    hue = _mm256_sub_epi32(hue, _mm256_and_si256(_mm256_cmpgt_epi32(hue, _mm256_set1_epi32(255)), _mm256_set1_epi32(255)));
    return _mm256_blendv_epi8(hue, _mm256_set1_epi32(170), flat);
}

// HslCode of eight pixels.
VELORA_AVX2 __attribute__((always_inline)) inline __m256i HslCodes8(const std::uint8_t* p, std::size_t step) {
    __m256i R, G, B;
    LoadChannels8(p, step, R, G, B);
    const __m256i max = _mm256_max_epi32(_mm256_max_epi32(R, G), B), min = _mm256_min_epi32(_mm256_min_epi32(R, G), B);
    const __m256i hue = HslHue8(R, G, B, max, _mm256_sub_epi32(max, min));
    return _mm256_or_si256(_mm256_or_si256(hue, _mm256_slli_epi32(max, 8)), _mm256_slli_epi32(min, 16));
}

// HslPixelOfCode of eight pixels: their factors gathered from the tables.
VELORA_AVX2 __attribute__((always_inline)) inline HslLanes HslLanesOfCodes(const HslTables& t, __m256i codes) {
    const __m256i low = _mm256_set1_epi32(255);
    const __m256i hue = _mm256_and_si256(codes, low), max = _mm256_and_si256(_mm256_srli_epi32(codes, 8), low);
    const __m256i min = _mm256_srli_epi32(codes, 16);
    HslLanes out;
    out.s = _mm256_i32gather_ps(&t.s[0][0], _mm256_add_epi32(_mm256_slli_epi32(max, 8), min), 4);
    out.key = _mm256_add_epi32(max, min);
    const __m256i at = _mm256_add_epi32(_mm256_add_epi32(hue, hue), hue);  // hue * 3
    const __m256i kinds = _mm256_i32gather_epi32(reinterpret_cast<const int*>(t.kindWords), hue, 4);
    for (int c = 0; c < 3; ++c) {
        out.w[c] = _mm256_i32gather_ps(&t.w[0][c], at, 4);
        out.kind[c] = _mm256_and_si256(_mm256_srli_epi32(kinds, 8 * c), low);
    }
    return out;
}

// HslFinish8 of whole blocks of codes.
VELORA_AVX2 void FinishBlocks(std::uint8_t* p, std::size_t step, const HslCodeBlock* blocks, std::int32_t count,
                              const HslCodeValues& both) {
    for (std::int32_t n = 0; n < count; ++n, p += 8 * step)
        HslFinish8(p, step, HslLanesOfCodes(both.tables, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(blocks[n].code))),
                   both.values);
}

// HslFactors of eight pixels: their codes, then the factors gathered.
VELORA_AVX2 __attribute__((always_inline)) inline HslLanes HslFactors8(const HslTables& t, const std::uint8_t* p, std::size_t step) {
    return HslLanesOfCodes(t, HslCodes8(p, step));
}

#endif

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
    if constexpr (Model == 6) {
        YuvRows(pixels, newValue);
        return;
    }
    if constexpr (Model == 3) {
        // HSV and HSL through the preview's factors: their way back then needs no branch.
        const HsvValues values(newValue);
        RowsThroughBlocks<HsvBlock>(pixels, HsvMaker{}, values,
                                    [&](std::uint8_t* p, const HsvPixel& in) { HsvFinish(p, in, values); });
        return;
    }
    if constexpr (Model == 4) {
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

// The function on each value a keyed component takes.
template <int Model>
std::array<float, KeyCount<Model>()> KeyedTransfer(int function, float alpha) {
    std::array<float, KeyCount<Model>()> newValue;
    for (int key = 0; key < KeyCount<Model>(); ++key)
        newValue[std::size_t(key)] = ModelTransfer(function, ValueOfKey<Model>(key), alpha);
    return newValue;
}

template <int Model>
void NonLinearKeyed(const PixelRows& pixels, int function, float alpha) {
    KeyedRows<Model>(pixels, KeyedTransfer<Model>(function, alpha).data());
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

// ---------------------------------------------------------------- CMYK

// C, M, Y are 255 minus the bytes and K their minimum, except for black (0, 0, 0, 255).
struct Cmyk {
    int c, m, y, k;
};
[[gnu::always_inline]] inline Cmyk CmykOf(const std::uint8_t* p) {
    if ((p[0] | p[1] | p[2]) == 0) return {0, 0, 0, 255};
    const int c = 255 - p[2], m = 255 - p[1], y = 255 - p[0];
    return {c, m, y, std::min({c, m, y})};
}

// CMYKToRGB's byte for every changed component and K: channel[c][k]. Three bytes more, so
// that the lanes can load each entry as the low byte of a word.
using CmykTable = std::array<std::uint8_t, 256 * 256 + 3>;
void FillCmykTable(const float* newComponent, const float* newK, CmykTable& table) {
    float v[256], vk[256];
    for (int i = 0; i < 256; ++i) v[i] = newComponent[i] / 255.0f, vk[i] = newK[i] / 255.0f;
    for (int c = 0; c < 256; ++c)
        for (int k = 0; k < 256; ++k)
            table[std::size_t(c * 256 + k)] = ClampTruncate(255.0f * (1.0f - v[c]) * (1.0f - vk[k]));
}

#if VELORA_X86
// Eight entries table[component][key] of a CmykTable.
VELORA_AVX2 inline __m256i CmykEntries(const std::uint8_t* table, __m256i component, __m256i key) {
    const __m256i words = _mm256_i32gather_epi32(reinterpret_cast<const int*>(table), _mm256_add_epi32(_mm256_slli_epi32(component, 8), key), 1);
    return _mm256_and_si256(words, _mm256_set1_epi32(0xFF));
}

// CmykRows on a row's whole groups of eight pixels, the entries gathered; returns how many
// pixels it did.
VELORA_AVX2 std::int32_t CmykRowInLanes(std::uint8_t* p, std::size_t step, std::int32_t width, const std::uint8_t* red,
                                        const std::uint8_t* green, const std::uint8_t* blue) {
    const __m256i top = _mm256_set1_epi32(255);
    std::int32_t x = 0;
    for (; x + 8 <= width; x += 8, p += 8 * step) {
        __m256i R, G, B;
        LoadChannels8(p, step, R, G, B);
        // Black: C, M and Y 0 (255 - 255), K 255.
        const __m256i black = _mm256_and_si256(
            _mm256_cmpeq_epi32(_mm256_or_si256(_mm256_or_si256(R, G), B), _mm256_setzero_si256()), top);
        const __m256i c = _mm256_sub_epi32(top, _mm256_or_si256(R, black)), m = _mm256_sub_epi32(top, _mm256_or_si256(G, black));
        const __m256i y = _mm256_sub_epi32(top, _mm256_or_si256(B, black));
        const __m256i k = _mm256_or_si256(_mm256_min_epi32(_mm256_min_epi32(c, m), y), black);
        StorePixels8(p, step, CmykEntries(red, c, k), CmykEntries(green, m, k), CmykEntries(blue, y, k));
    }
    return x;
}
#endif

void CmykRows(const PixelRows& pixels, const CmykTable& red, const CmykTable& green, const CmykTable& blue) {
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

void NonLinearCmyk(const PixelRows& pixels, int function, float alpha) {
    float newValue[256];
    for (int v = 0; v < 256; ++v) newValue[v] = ModelTransfer(function, float(v), alpha);
    auto table = std::make_unique<CmykTable>();
    FillCmykTable(newValue, newValue, *table);
    CmykRows(pixels, *table, *table, *table);
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

// ---------------------------------------------------------------- HSI

constexpr int kPairSide = 511;
int PairOf(int R, int G, int B) { return (R - G + 255) * kPairSide + (R - B + 255); }

// The hue terms of HSIToRGB for a hue that RGBToHSI gives from R - G and R - B: the sector
// and the two cosines of its formula.
struct HsiHue {
    float cosNum = 0, cosDen = 0;
    int sector = 0;
};
// H of RGBToHSI (range 1) from R - G and R - B.
float HsiHueOf(int rg, int rb) {
    constexpr float kHueFactor = 40.58451f, kCircle = 255.0f;
    if (rg == 0 && rb == 0) return 0.0f;
    const float dRG = float(rg), dRB = float(rb), dGB = float(rb - rg);
    const float num = dRG + dRB;
    const float den = 2.0f * std::sqrt(dRG * dRG + dRB * dGB);
    const float theta = std::acos(std::clamp(num / den, -1.0f, 1.0f)) * kHueFactor;
    return dGB < 0 ? kCircle - theta : theta;
}

HsiHue HueTerms(int rg, int rb) {
    const float h = HsiHueOf(rg, rb) / 40.58451f;
    if (h >= 0 && h < 2.0943951f) return {std::cos(h), std::cos(1.04719755f - h), 0};
    if (h >= 2.0943951f && h < 4.1887902f) return {std::cos(h - 2.0943951f), std::cos(3.14159265f - h), 1};
    return {std::cos(h - 4.1887902f), std::cos(5.23598775f - h), 2};
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
const std::vector<HsiHue>& HueTable(const PixelRows& pixels, std::vector<HsiHue>& own) {
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

// S on the way back (S / 255), as RGBToHSI gives it and HSIToRGB divides it.
float HsiSaturation(int R, int G, int B) {
    if (R == G && G == B) return 0.0f / 255.0f;
    const float S = float((1.0 - 3.0 * double(float(std::min({R, G, B}))) / double(float(R + G + B))) * 255.0);
    return S / 255.0f;
}

// HSIToRGB from its terms: lo = (1 - s) i, hi = (1 + s cos / cos) i, and the third component
// 3 i - (lo + hi), placed by the sector.
[[gnu::always_inline]] inline void HsiFinish(std::uint8_t* p, int sector, float oneMinusS, float onePlusW, float i) {
    const float lo = oneMinusS * i, hi = onePlusW * i, third = 3 * i - (lo + hi);
    const std::uint8_t L = ClampRound(lo * 255), H = ClampRound(hi * 255), T = ClampRound(third * 255);
    switch (sector) {
        case 0: p[2] = H, p[1] = T, p[0] = L; break;
        case 1: p[2] = L, p[1] = H, p[0] = T; break;
        default: p[2] = T, p[1] = L, p[0] = H; break;
    }
}

HsiPixel HsiFactors(const std::vector<HsiHue>& hues, const std::uint8_t* p) {
    const int B = p[0], G = p[1], R = p[2];
    const HsiHue& hue = hues[std::size_t(PairOf(R, G, B))];
    const float s = HsiSaturation(R, G, B);
    return HsiPixel{1 - s, 1 + s * hue.cosNum / hue.cosDen, std::uint16_t(R + G + B), std::uint8_t(hue.sector)};
}

struct HsiMaker {
    const std::vector<HsiHue>& hues;
    HsiPixel operator()(const std::uint8_t* p) const { return HsiFactors(hues, p); }
#if VELORA_X86
    // HsiFactors of eight pixels: the hue terms gathered by pair, the saturation in double lanes.
    VELORA_AVX2 void Eight(HsiBlock& out, const std::uint8_t* p, std::size_t step) const {
        static_assert(sizeof(HsiHue) == 12 && offsetof(HsiHue, cosDen) == 4 && offsetof(HsiHue, sector) == 8);
        __m256i R, G, B;
        LoadChannels8(p, step, R, G, B);
        const __m256i side = _mm256_set1_epi32(kPairSide), offset = _mm256_set1_epi32(255);
        const __m256i pair = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_add_epi32(_mm256_sub_epi32(R, G), offset), side),
                                              _mm256_add_epi32(_mm256_sub_epi32(R, B), offset));
        const __m256i at = _mm256_mullo_epi32(pair, _mm256_set1_epi32(3));
        const float* terms = reinterpret_cast<const float*>(hues.data());
        const __m256 cosNum = _mm256_i32gather_ps(terms, at, 4);
        const __m256 cosDen = _mm256_i32gather_ps(terms + 1, at, 4);
        const __m256i sector = _mm256_i32gather_epi32(reinterpret_cast<const int*>(terms + 2), at, 4);
        const __m256i min = _mm256_min_epi32(_mm256_min_epi32(R, G), B), sum = _mm256_add_epi32(_mm256_add_epi32(R, G), B);
        const __m256i gray = _mm256_and_si256(_mm256_cmpeq_epi32(R, G), _mm256_cmpeq_epi32(G, B));
        // float((1 - 3 min / sum) 255) / 255, in double lanes four at a time.
        __m128 halves[2];
        for (int h = 0; h < 2; ++h) {
            const __m128i min4 = h == 0 ? _mm256_castsi256_si128(min) : _mm256_extracti128_si256(min, 1);
            const __m128i sum4 = h == 0 ? _mm256_castsi256_si128(sum) : _mm256_extracti128_si256(sum, 1);
            const __m256d ratio = _mm256_div_pd(_mm256_mul_pd(_mm256_set1_pd(3.0), _mm256_cvtepi32_pd(min4)), _mm256_cvtepi32_pd(sum4));
            halves[h] = _mm256_cvtpd_ps(_mm256_mul_pd(_mm256_sub_pd(_mm256_set1_pd(1.0), ratio), _mm256_set1_pd(255.0)));
        }
        __m256 s = velora::detail::Quotient8(_mm256_set_m128(halves[1], halves[0]), 255.0f);
        s = _mm256_andnot_ps(_mm256_castsi256_ps(gray), s);  // 0 / 255 for grays
        const __m256 one = _mm256_set1_ps(1);
        _mm256_storeu_ps(out.oneMinusS, _mm256_sub_ps(one, s));
        _mm256_storeu_ps(out.onePlusW, _mm256_add_ps(one, _mm256_div_ps(_mm256_mul_ps(s, cosNum), cosDen)));
        StoreLanes(sum, out.sum);
        StoreLanes(sector, out.sector);
    }
#endif
};

// newI[sum] is the changed intensity of the pixels whose R + G + B is sum, over 255.
void HsiRows(const PixelRows& pixels, const float* newI) {
    std::vector<HsiHue> own;
    const std::vector<HsiHue>& hues = HueTable(pixels, own);
    RowsThroughBlocks<HsiBlock>(pixels, HsiMaker{hues}, newI,
                                [&](std::uint8_t* p, const HsiPixel& in) {
                                    HsiFinish(p, in.sector, in.oneMinusS, in.onePlusW, newI[in.sum]);
                                });
}

float HsiIntensity(int sum) { return float((double(float(sum)) / 3.0 / 255.0) * 255.0); }

// The function on each intensity, by the sum R + G + B, on the 0..1 scale of the way back.
std::array<float, 766> HsiTransfer(int function, float alpha) {
    std::array<float, 766> newI;
    for (int sum = 0; sum < 766; ++sum) newI[std::size_t(sum)] = ModelTransfer(function, HsiIntensity(sum), alpha) / 255.0f;
    return newI;
}

void NonLinearHsi(const PixelRows& pixels, int function, float alpha) { HsiRows(pixels, HsiTransfer(function, alpha).data()); }

void EqualizeHsi(const PixelRows& pixels) {
    std::uint64_t counts[766];
    CountKeys<2>(pixels, counts);
    double bins[256] = {};
    for (int sum = 0; sum < 766; ++sum) bins[EqualizeBin(HsiIntensity(sum))] += double(counts[sum]);
    float levels[256];
    EqualizedLevels(bins, std::int64_t(pixels.width) * pixels.height, levels);
    float newI[766];
    for (int sum = 0; sum < 766; ++sum) newI[sum] = levels[EqualizeBin(HsiIntensity(sum))] / 255.0f;
    HsiRows(pixels, newI);
}

// ---------------------------------------------------------------- components of many values

// The lanes of the models that have them (else void).
template <int Model>
struct LanesOf {
    using Type = void;
};
#if VELORA_X86
template <>
struct LanesOf<5> {
    using Type = YiqLanes;
};
template <>
struct LanesOf<7> {
    using Type = YCbCrLanes;
};
template <>
struct LanesOf<8> {
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

#if VELORA_X86
// Stores the components of pixels x .. x + 3, three floats each, from lanes (first, second
// and third of the four pixels, transposed), or from the library where open.
template <int Model>
VELORA_AVX2 void StoreCieGroup(const std::uint8_t* p, std::size_t step, std::int32_t x, const __m128* v, bool open, float* out) {
    out += std::size_t(x) * 3;
    if (open) {
        for (int k = 0; k < 4; ++k) {
            float values[4] = {};
            ToModelT<Model>(ColourAt(p + std::size_t(x + k) * step), values);
            std::copy_n(values, 3, out + 3 * k);
        }
        return;
    }
    // a0 b0 c0 a1 | b1 c1 a2 b2 | c2 a3 b3 c3
    const __m128 ab01 = _mm_unpacklo_ps(v[0], v[1]), ab23 = _mm_unpackhi_ps(v[0], v[1]);
    const __m128 c0a1 = _mm_shuffle_ps(v[2], v[0], _MM_SHUFFLE(1, 1, 0, 0));
    const __m128 b1c1 = _mm_shuffle_ps(v[1], v[2], _MM_SHUFFLE(1, 1, 1, 1));
    const __m128 c2a3 = _mm_shuffle_ps(v[2], ab23, _MM_SHUFFLE(2, 2, 2, 2));
    const __m128 bc23 = _mm_unpackhi_ps(v[1], v[2]);
    _mm_storeu_ps(out, _mm_shuffle_ps(ab01, c0a1, _MM_SHUFFLE(2, 0, 1, 0)));
    _mm_storeu_ps(out + 4, _mm_shuffle_ps(b1c1, ab23, _MM_SHUFFLE(1, 0, 2, 0)));
    _mm_storeu_ps(out + 8, _mm_shuffle_ps(c2a3, bc23, _MM_SHUFFLE(3, 2, 2, 0)));
}

// LAB's or LUV's components (range 1) of a row's whole groups of four, three floats a pixel:
// the lanes where they settle the library's power, the library where they leave it open.
// Returns how many pixels it did.
template <int Model>
VELORA_AVX2 std::int32_t CieRowInLanes(const std::uint8_t* p, std::size_t step, std::int32_t width, float* out) {
    std::int32_t x = 0;
    __m128 v[4][3];
    for (; x + 16 <= width; x += 16) {
        const int open = CieGroups<Model, 4>(p + std::size_t(x) * step, step, v);
        for (int g = 0; g < 4; ++g) StoreCieGroup<Model>(p, step, x + 4 * g, v[g], (open >> g) & 1, out);
    }
    for (; x + 4 <= width; x += 4) {
        const bool open = CieGroups<Model, 1>(p + std::size_t(x) * step, step, v) != 0;
        StoreCieGroup<Model>(p, step, x, v[0], open, out);
    }
    return x;
}
#endif

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

// A change of components that the lanes cannot make (the models without lanes).
struct NoLanes {};

template <int Model, int Function>
void NonLinearValuedRows(const PixelRows& pixels, float alpha) {
    const ChangedComponents which = NonLinearComponents(Model);
    const auto change = [&](float* values, const std::uint8_t*) {
        for (int c = which.first; c < which.first + which.count; ++c) values[c] = ModelTransferT<Function>(values[c], alpha);
    };
    if constexpr (Model == 9 || Model == 10) {
        // A row's components first (their powers four pixels at a time), then the way back.
        ForRows(pixels, [&](std::int32_t first, std::int32_t last) {
            std::vector<float> components(std::size_t(pixels.width) * 3);
            for (std::int32_t y = first; y < last; ++y) {
                std::uint8_t* p = pixels.Row(y);
                CieRow<Model>(p, pixels.step, pixels.width, components.data());
                std::int32_t x = 0;
#if VELORA_X86
                if (HasAvx2()) {
                    using Back = std::conditional_t<Model == 9, LabBack, LuvBack>;
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
        case 1: NonLinearValuedRows<Model, 1>(pixels, alpha); break;
        case 2: NonLinearValuedRows<Model, 2>(pixels, alpha); break;
        case 3: NonLinearValuedRows<Model, 3>(pixels, alpha); break;
        case 4: NonLinearValuedRows<Model, 4>(pixels, alpha); break;
        case 5: NonLinearValuedRows<Model, 5>(pixels, alpha); break;
        default: NonLinearValuedRows<Model, 6>(pixels, alpha); break;
    }
}

#if VELORA_X86
// Adds the L bins of LAB (Model 9) or LUV (10) of a row's whole groups of eight pixels to
// four interleaved copies of the bins (pixel x in copy x % 4), the floats' open lanes
// converted exactly; returns how many pixels it did.
template <int Model>
VELORA_AVX2 std::int32_t CountLightnessRow(const std::uint8_t* p, std::size_t step, std::int32_t width, std::uint32_t* copies) {
    std::int32_t x = 0;
    for (; x + 8 <= width; x += 8, p += 8 * step) {
        __m256i lanes;
        const int open = LightnessBins8(p, step, lanes);
        alignas(32) std::int32_t bins[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(bins), lanes);
        for (int k = 0; open && k < 8; ++k) {
            if ((open >> k) & 1) {
                float values[4] = {};
                ToModelT<Model>(ColourAt(p + std::size_t(k) * step), values);
                bins[k] = EqualizeBin(values[0]);
            }
        }
#pragma GCC unroll 8
        for (int k = 0; k < 8; ++k) ++copies[std::size_t((k & 3) * 256 + bins[k])];
    }
    return x;
}
#endif

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
        std::array<std::uint32_t, (Model == 9 || Model == 10) ? 4 * 256 : 1> lightness{};
        for (std::int32_t y = first; y < last; ++y) {
            std::uint8_t* p = pixels.Row(y);
            if constexpr (Model == 9 || Model == 10) {
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
                    x = CountBinsRow<typename LanesOf<Model>::Type, Model == 8>(p, pixels.step, pixels.width, copies.data());
                    p += std::size_t(x) * pixels.step;
                }
#endif
            for (; x < pixels.width; ++x, p += pixels.step) {
                float values[4] = {};
                ToModelT<Model>(ColourAt(p), values);
                for (int c = which.first; c < which.first + which.count; ++c) {
                    const int bin = EqualizeBin(values[c]);
                    ++part[std::size_t(c * 256 + bin)];
                    if constexpr (Model == 8) p[c] = std::uint8_t(bin);
                }
            }
        }
#if VELORA_X86
        for (std::size_t at = 0; at < copies.size(); ++at) part[at / (kBinCopies * 256) * 256 + at % 256] += copies[at];
#endif
        if constexpr (Model == 9 || Model == 10)
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
        std::vector<float> row((Model == 9 || Model == 10) ? std::size_t(pixels.width) * 3 : 0);  // LAB's or LUV's components
        for (std::int32_t y = first; y < last; ++y) {
            std::uint8_t* p = pixels.Row(y);
            const float* components = nullptr;
            if constexpr (Model == 9 || Model == 10) {
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
            if constexpr (Model == 9 || Model == 10)
                if (HasAvx2()) {
                    using Back = std::conditional_t<Model == 9, LabBack, LuvBack>;
                    x = LeveledRowInLanes<Back>(p, pixels.step, pixels.width, components, levels[0]);
                    p += std::size_t(x) * pixels.step;
                }
#endif
            for (; x < pixels.width; ++x, p += pixels.step) {
                float values[4] = {};
                if constexpr (Model == 8) {
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

#if VELORA_X86
// The library's call of a costly transfer, as ModelTransferT makes it.
double LibraryCall(int function, float y) {
    switch (function) {
        case 3: return std::pow(y, 0.333333f);
        case 4: return std::log(y);
        case 5: return std::sin(y);
        default: return std::tan(y);
    }
}

// The largest magnitude of the call's second derivative on [y0, y1], infinite where the
// interval reaches a pole of the tangent.
double LargestCurvature(int function, double y0, double y1) {
    switch (function) {
        case 3: {
            const double p = double(0.333333f);  // the power's exponent; y0 > 0
            return p * (1 - p) * std::pow(y0, p - 2);
        }
        case 4: return 1 / (y0 * y0);
        case 5: return 1;
        default: {
            const double far = std::max(std::fabs(y0), std::fabs(y1));
            if (far >= 1.5707963267948966) return std::numeric_limits<double>::infinity();
            const double t = std::tan(far);
            return 2 * t * (1 + t * t);
        }
    }
}

float FloatOfBits(std::int64_t bits) {
    const auto narrow = std::uint32_t(bits);
    float f;
    std::memcpy(&f, &narrow, 4);
    return f;
}

std::int32_t BitsOfFloat(float f) {
    std::int32_t bits;
    std::memcpy(&bits, &f, 4);
    return bits;
}

LibraryTable MakeLibraryTable(int function) {
    LibraryTable t;
    std::int32_t count = 0;
    if (function <= 4) {
        // The power of x 65025 (up to 255 65025 < 2^24) and the logarithm of x + 1 (1 to 256)
        // are steepest near their smallest arguments: intervals of 2^-9 of the argument.
        t.byBits = true;
        t.shift = 14;
        t.firstBits = BitsOfFloat(function == 3 ? 0x1p-16f : 1.0f);
        count = ((BitsOfFloat(function == 3 ? 0x1p24f : 256.0f) - t.firstBits) >> t.shift) + 1;
    } else {
        // The sigmoids' angles lie within [-pi / 2, pi / 2] (a hair beyond at alpha 1):
        // intervals of 2^-11 from -2.
        t.scale = 2048;
        t.offset = 2 * 2048;
        count = 4 * 2048 + 1;
    }
    t.start.resize(std::size_t(count));
    t.slope.resize(std::size_t(count));
    t.slack.resize(std::size_t(count));
    constexpr double kLibraryMargin = 0x1p-20, kChordRounding = 0x1p-40;
    const auto edge = [&](std::int32_t k) {
        return t.byBits ? FloatOfBits(std::int64_t(t.firstBits) + (std::int64_t(k) << t.shift))
                        : float(double(k - t.offset) / double(t.scale));
    };
    for (std::int32_t k = 0; k < count; ++k) {
        const float y0 = edge(k), y1 = edge(k + 1);
        const double v0 = LibraryCall(function, y0), v1 = LibraryCall(function, y1);
        const double largest = std::max(std::fabs(v0), std::fabs(v1)), h = double(y1) - double(y0);
        double start = 0, slope = 0, slack = 0;
        const double curvature = LargestCurvature(function, y0, y1);
        if (function == 3 && k == 0) {
            // [0, y1]: the power rises from 0.
            start = v1 / 2;
            slack = v1 / 2 + kLibraryMargin * largest;
        } else if (!std::isfinite(curvature)) {
            slack = std::numeric_limits<double>::infinity();
        } else {
            start = v0;
            slope = (v1 - v0) / h;
            slack = curvature * h * h / 8 + kLibraryMargin * largest + kChordRounding * (std::fabs(v0) + std::fabs(slope) * h);
        }
        const float startFloat = float(start), slopeFloat = float(slope);
        const double reach = std::fabs(start) + std::fabs(slope) * h;  // the chord's terms at most
        slack += std::fabs(double(startFloat) - start) + std::fabs(double(slopeFloat) - slope) * h + 0x1p-22 * reach +
                 std::fabs(slope) * 0x1p-35;
        slack *= 1 + 0x1p-23;  // the rounding of chord -/+ slack
        float slackFloat = float(slack);
        if (double(slackFloat) < slack) slackFloat = std::nextafter(slackFloat, std::numeric_limits<float>::infinity());
        t.start[std::size_t(k)] = startFloat;
        t.slope[std::size_t(k)] = slopeFloat;
        t.slack[std::size_t(k)] = slackFloat;
    }
    return t;
}

#endif

}  // namespace

#if VELORA_X86
const LibraryTable& LibraryTableOf(int function) {
    static const LibraryTable power = MakeLibraryTable(3), logarithm = MakeLibraryTable(4), sine = MakeLibraryTable(5),
                              tangent = MakeLibraryTable(6);
    return function == 3 ? power : function == 4 ? logarithm : function == 5 ? sine : tangent;
}
#endif

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
        case 1: NonLinearCmyk(pixels, function, alpha); break;
        case 2: NonLinearHsi(pixels, function, alpha); break;
        case 3: NonLinearKeyed<3>(pixels, function, alpha); break;
        case 4: NonLinearKeyed<4>(pixels, function, alpha); break;
        case 5: NonLinearValued<5>(pixels, function, alpha); break;
        case 6: NonLinearKeyed<6>(pixels, function, alpha); break;
        case 7: NonLinearValued<7>(pixels, function, alpha); break;
        case 8: NonLinearValued<8>(pixels, function, alpha); break;
        case 9: NonLinearValued<9>(pixels, function, alpha); break;
        case 10: NonLinearValued<10>(pixels, function, alpha); break;
        default: break;
    }
}

void EqualizeInModel(const PixelRows& pixels, int model) {
    switch (model) {
        case 1: EqualizeCmyk(pixels); break;
        case 2: EqualizeHsi(pixels); break;
        case 3: EqualizeKeyed<3>(pixels); break;
        case 4: EqualizeKeyed<4>(pixels); break;
        case 5: EqualizeValued<5>(pixels); break;
        case 6: EqualizeKeyed<6>(pixels); break;
        case 7: EqualizeValued<7>(pixels); break;
        case 8: EqualizeValued<8>(pixels); break;
        case 9: EqualizeValued<9>(pixels); break;
        case 10: EqualizeValued<10>(pixels); break;
        default: break;
    }
}

}  // namespace velora::detail

// ---------------------------------------------------------------- CModelPreview

using velora::detail::ClampRound;
using velora::detail::ClampTruncate;
using velora::detail::HsiBlock;
using velora::detail::HsiPixel;
using velora::detail::HslCodeBlock;
using velora::detail::HsvBlock;
using velora::detail::LargeVector;
using velora::detail::PixelRows;

namespace {

// Beyond this many pixels the preview takes the plain call rather than keep up to 28 bytes
// per pixel.
constexpr std::int64_t kMaxPreviewPixels = std::int64_t(1) << 23;

PixelRows RowsOf(const CVelora& image, std::uint8_t* bits, std::uint32_t stride) {
    return {bits, image.GetWidth(), image.GetHeight(), stride, image.GetBitCount() / 8u};
}


// What one model keeps, pixel by pixel in stored order. YIQ, YCbCr and CIE XYZ convert again
// (it is cheap); LAB and LUV keep their three components. For the costly functions the
// valued models also keep each changed component's rank among its distinct values.
struct KeptPixels {
    int model = 0;
    LargeVector<HsiBlock> hsi;  // blocks of eight pixels, blocksPerRow a row
    LargeVector<HsvBlock> hsv;
    LargeVector<HslCodeBlock> hsl;
    std::size_t blocksPerRow = 0;
    LargeVector<float> components;       // 3 per pixel
    LargeVector<std::uint32_t> rank[3];  // per changed component, once a costly function asks
    std::vector<float> distinct[3];
    // Nearly every pixel has values of its own (noise): ranks would only add lookups.
    bool ranksUnprofitable = false;
};

// Keeps make(pixel) of every source pixel, in blocks of eight a row, and finishes each row
// through finish(y, its blocks) while they are at hand.
template <class Block, class Make, class FinishRows>
void KeepBlocks(const PixelRows& source, KeptPixels& kept, LargeVector<Block>& blocks, const Make& make,
                const FinishRows& finish) {
    const std::size_t perRow = (std::size_t(source.width) + 7) / 8;
    kept.blocksPerRow = perRow;
    blocks.clear();
    blocks.resize(perRow * std::size_t(source.height));  // not zeroed: the rows' own threads fill them
    velora::detail::ForRows(source, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t y = first; y < last; ++y) {
            Block* row = &blocks[std::size_t(y) * perRow];
            if (source.width % 8 != 0) row[perRow - 1] = Block{};  // lanes past the row's end
            velora::detail::MakeRowOfBlocks(row, source.Row(y), source.width, source.step, make);
            finish(y, row);
        }
    });
}

// The way back of each row from what was kept of it.
template <class Block, class FinishRows>
void FinishBlocksOfRows(const LargeVector<Block>& blocks, std::size_t perRow, const PixelRows& pixels, const FinishRows& finish) {
    velora::detail::ForRows(pixels, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t y = first; y < last; ++y) finish(y, &blocks[std::size_t(y) * perRow]);
    });
}

// The ways back of the block models for one function and alpha: (y, blocks) writes row y of
// the pixels from its blocks.
struct HsiRows {
    const PixelRows& pixels;
    std::array<float, 766> newI;
    void operator()(std::int32_t y, const HsiBlock* row) const {
        velora::detail::FinishRow(pixels.Row(y), row, pixels.width, pixels.step, newI.data(), [&](std::uint8_t* p, const HsiPixel& in) {
            velora::detail::HsiFinish(p, in.sector, in.oneMinusS, in.onePlusW, newI[in.sum]);
        });
    }
};
struct HsvRows {
    const PixelRows& pixels;
    velora::detail::HsvValues values;
    void operator()(std::int32_t y, const HsvBlock* row) const {
        velora::detail::FinishRow(pixels.Row(y), row, pixels.width, pixels.step, values,
                                  [&](std::uint8_t* p, const velora::detail::HsvPixel& in) { velora::detail::HsvFinish(p, in, values); });
    }
};
struct HslRows {
    const PixelRows& pixels;
    velora::detail::HslValues values;
    const velora::detail::HslTables& tables = velora::detail::TheHslTables();
    void operator()(std::int32_t y, const HslCodeBlock* row) const {
        velora::detail::FinishRow(pixels.Row(y), row, pixels.width, pixels.step, velora::detail::HslCodeValues{values, tables},
                                  [&](std::uint8_t* p, std::uint32_t code) {
                                      velora::detail::HslFinish(p, velora::detail::HslPixelOfCode(tables, code), values);
                                  });
    }
};

// The block models keep their factors of the source and write the pixels' first preview.
void KeepHsi(KeptPixels& kept, const PixelRows& source, const HsiRows& finish) {
    std::vector<velora::detail::HsiHue> own;
    const std::vector<velora::detail::HsiHue>& hues = velora::detail::HueTable(source, own);
    KeepBlocks(source, kept, kept.hsi, velora::detail::HsiMaker{hues}, finish);
}

void KeepHsv(KeptPixels& kept, const PixelRows& source, const HsvRows& finish) {
    KeepBlocks(source, kept, kept.hsv, velora::detail::HsvMaker{}, finish);
}

void KeepHsl(KeptPixels& kept, const PixelRows& source, const HslRows& finish) {
    KeepBlocks(source, kept, kept.hsl, velora::detail::HslCoder{finish.tables}, finish);
}

template <int Model>
void KeepComponents(KeptPixels& kept, const PixelRows& pixels) {
    kept.components.resize(std::size_t(pixels.width) * std::size_t(pixels.height) * 3);
    velora::detail::ForRows(pixels, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t y = first; y < last; ++y)
            velora::detail::CieRow<Model>(pixels.Row(y), pixels.step, pixels.width,
                                          &kept.components[std::size_t(y) * std::size_t(pixels.width) * 3]);
    });
}

// Distinct float values (by their bits) numbered in the order first met, by open addressing.
// The table starts small, so that it stays in the cache while the values are few, and doubles
// whenever it is half full.
class DistinctBits {
public:
    DistinctBits() : m_table(std::size_t(1) << m_tableBits, kEmpty) {}

    // The number of value, which is added when new.
    std::uint32_t IdOf(float value) {
        std::uint32_t bits;
        std::memcpy(&bits, &value, 4);
        if (2 * m_values.size() >= m_table.size()) Grow();
        const std::size_t mask = m_table.size() - 1;
        for (std::size_t slot = SlotOf(bits);; slot = (slot + 1) & mask) {
            const std::uint64_t entry = m_table[slot];
            if (std::uint32_t(entry) == kEmpty) {
                const auto id = std::uint32_t(m_values.size());
                m_table[slot] = (std::uint64_t(bits) << 32) | id;
                m_values.push_back(value);
                return id;
            }
            if (std::uint32_t(entry >> 32) == bits) return std::uint32_t(entry);
        }
    }
    std::size_t Count() const { return m_values.size(); }
    std::vector<float> TakeValues() { return std::move(m_values); }

private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;  // in an entry's low half: no value

    std::size_t SlotOf(std::uint32_t bits) const { return std::size_t((bits * 0x9E3779B1u) >> (32 - m_tableBits)); }
    void Grow() {
        std::vector<std::uint64_t> old(std::size_t(1) << ++m_tableBits, kEmpty);
        old.swap(m_table);
        const std::size_t mask = m_table.size() - 1;
        for (const std::uint64_t entry : old) {
            if (std::uint32_t(entry) == kEmpty) continue;
            std::size_t slot = SlotOf(std::uint32_t(entry >> 32));
            while (std::uint32_t(m_table[slot]) != kEmpty) slot = (slot + 1) & mask;
            m_table[slot] = entry;
        }
    }

    int m_tableBits = 15;
    std::vector<std::uint64_t> m_table;  // bits << 32 | number
    std::vector<float> m_values;
};

// The rank of every pixel's changed component(s) among the distinct values (equal bits,
// equal result), so that a costly function runs once per distinct value.
template <int Model>
void KeepRanks(KeptPixels& kept, const PixelRows& pixels) {
    const std::size_t count = std::size_t(pixels.width) * std::size_t(pixels.height);
    const velora::detail::ChangedComponents changes = velora::detail::NonLinearComponents(Model);
    const int first = changes.first, changed = changes.count;  // not a structured binding: lambdas capture them
    const auto valueAt = [&](std::size_t at, int c) {
        if (!kept.components.empty()) return kept.components[at * 3 + std::size_t(first + c)];
        float values[4] = {};
        const std::uint8_t* p = pixels.Row(std::int32_t(at / std::size_t(pixels.width))) +
                                at % std::size_t(pixels.width) * pixels.step;
        velora::detail::ToModelT<Model>(velora::detail::ColourAt(p), values);
        return values[first + c];
    };
    // A sample first: where nearly every sampled pixel has a value of its own (noise), sorting
    // them all would be wasted. Where bounded lanes decide the costly functions pixel by pixel
    // (all but LUV's), ranks pay only where values recur often: on noise YCbCr's Y recurs a
    // few times, and ranking it cost three previews for none faster. Either way the bytes are
    // the same.
    constexpr std::size_t kSample = 1 << 14;
    std::size_t mostDistinct = kSample / 10 * 9;
#if VELORA_X86
    if (Model != 10 && velora::detail::HasAvx2()) mostDistinct = kSample / 4;
#endif
    if (count >= 4 * kSample) {
        std::vector<float> sample(kSample);
        for (std::size_t i = 0; i < kSample; ++i) sample[i] = valueAt(i * (count / kSample), 0);
        std::sort(sample.begin(), sample.end());
        const auto distinct = std::size_t(std::unique(sample.begin(), sample.end()) - sample.begin());
        if (distinct > mostDistinct) {
            kept.ranksUnprofitable = true;
            return;
        }
    }
    // Each band numbers the distinct values of its rows in the order first met (any order
    // serves: a rank only picks its value's result); then the bands' values are numbered
    // across the picture, and each band's numbers turn into those.
    const std::size_t limit = count / 4;  // more distinct values than this: ranks do not pay
    const auto unprofitable = [&] {
        kept.ranksUnprofitable = true;
        for (int d = 0; d < 3; ++d) {
            LargeVector<std::uint32_t>().swap(kept.rank[d]);
            std::vector<float>().swap(kept.distinct[d]);
        }
    };
    for (int c = 0; c < changed; ++c) {
        LargeVector<std::uint32_t>& rank = kept.rank[c];
        rank.resize(count);
        struct Band {
            std::int32_t first, last;
            std::vector<float> values;
        };
        std::vector<Band> bands;
        std::mutex bandsMutex;
        std::atomic<bool> tooMany{false};
        velora::detail::ForRows(pixels, [&](std::int32_t firstRow, std::int32_t last) {
            DistinctBits local;
            std::vector<float> row(std::size_t(pixels.width));
            for (std::int32_t y = firstRow; y < last; ++y) {
                if (tooMany.load(std::memory_order_relaxed)) return;
                const std::size_t at0 = std::size_t(y) * std::size_t(pixels.width);
                std::int32_t x = 0;
#if VELORA_X86
                if constexpr (!std::is_void_v<typename velora::detail::LanesOf<Model>::Type>)
                    if (kept.components.empty() && velora::detail::HasAvx2())
                        x = velora::detail::ComponentRow<typename velora::detail::LanesOf<Model>::Type>(
                            pixels.Row(y), pixels.step, pixels.width, first + c, row.data());
#endif
                for (; x < pixels.width; ++x) row[std::size_t(x)] = valueAt(at0 + std::size_t(x), c);
                std::uint32_t* ranks = &rank[at0];
                for (std::size_t i = 0; i < row.size(); ++i) ranks[i] = local.IdOf(row[i]);
                if (local.Count() > limit) {
                    tooMany.store(true, std::memory_order_relaxed);
                    return;
                }
            }
            std::lock_guard lock(bandsMutex);
            bands.push_back({firstRow, last, local.TakeValues()});
        });
        if (tooMany.load()) return unprofitable();
        std::sort(bands.begin(), bands.end(), [](const Band& a, const Band& b) { return a.first < b.first; });
        DistinctBits whole;
        std::vector<std::vector<std::uint32_t>> toWhole(bands.size());
        for (std::size_t b = 0; b < bands.size(); ++b) {
            for (const float value : bands[b].values) toWhole[b].push_back(whole.IdOf(value));
            if (whole.Count() > limit) return unprofitable();
        }
        velora::detail::ForRows(pixels, [&](std::int32_t firstRow, std::int32_t last) {
            for (std::int32_t y = firstRow; y < last; ++y) {
                const auto band = std::upper_bound(bands.begin(), bands.end(), y,
                                                   [](std::int32_t row, const Band& b) { return row < b.first; }) - 1;
                const std::uint32_t* map = toWhole[std::size_t(band - bands.begin())].data();
                std::uint32_t* ranks = &rank[std::size_t(y) * std::size_t(pixels.width)];
                for (std::int32_t x = 0; x < pixels.width; ++x) ranks[x] = map[ranks[x]];
            }
        });
        kept.distinct[c] = whole.TakeValues();
    }
}

HsiRows HsiRowsOf(const PixelRows& pixels, int function, float alpha) {
    return HsiRows{pixels, velora::detail::HsiTransfer(function, alpha)};
}
HsvRows HsvRowsOf(const PixelRows& pixels, int function, float alpha) {
    return HsvRows{pixels, velora::detail::HsvValues(velora::detail::KeyedTransfer<3>(function, alpha).data())};
}
HslRows HslRowsOf(const PixelRows& pixels, int function, float alpha) {
    return HslRows{pixels, velora::detail::HslValues(velora::detail::KeyedTransfer<4>(function, alpha).data())};
}

#if VELORA_X86
using velora::detail::Clamp255;
using velora::detail::ClampTruncate4;
using velora::detail::LabBack;
using velora::detail::LabFInverse8;
using velora::detail::LuvBack;
using velora::detail::LoadChannels4;
using velora::detail::LoadChannels8;
using velora::detail::LoadPixels4;
using velora::detail::Splat;
using velora::detail::Splat8;
using velora::detail::StoreFromXyz4;
using velora::detail::StorePixels4;
using velora::detail::Sum3;
#endif

// The valued models: the function applied to each pixel's kept (or converted) component, or
// taken from its rank's entry.
#if VELORA_X86
// YIQ, YCbCr and CIE XYZ there and back over a row's whole groups of pixels, the changed
// components from their ranks or through the function; returns how many pixels it did.
template <class Lanes, int Function, bool Ranked>
std::int32_t ModelRowInLanes(std::uint8_t* p, std::size_t step, std::int32_t width, std::size_t at, const KeptPixels& kept,
                             const std::vector<float>* newValue, float alpha,
                             [[maybe_unused]] const velora::detail::CostlyTransfer& costly) {
    if constexpr (!Ranked && velora::detail::kBoundsPay<Function>) {
        const velora::detail::ChangedComponents which = velora::detail::NonLinearComponents(Lanes::kModel);
        const auto change = [&](float* values, const std::uint8_t*) {
            for (int c = which.first; c < which.first + which.count; ++c)
                values[c] = velora::detail::ModelTransferT<Function>(values[c], alpha);
        };
        const auto open = [&](std::uint8_t* pixel) { velora::detail::ConvertPixel<Lanes::kModel>(pixel, change); };
        return velora::detail::BoundedLanesRow<Lanes, Function>(p, step, width, costly, open);
    }
    if constexpr (Ranked) {
        const float* values[3] = {};
        const std::uint32_t* ranks[3] = {};
        for (int c = 0; c < Lanes::kChanged; ++c) values[c] = newValue[c].data(), ranks[c] = kept.rank[c].data();
        return velora::detail::ModelLanesRow<Lanes>(p, step, width, at, velora::detail::RankChange<Lanes>{values, ranks});
    } else {
        return velora::detail::ModelLanesRow<Lanes>(p, step, width, at, velora::detail::TransferChange<Lanes, Function>{alpha});
    }
}
#endif

template <int Model, int Function, bool Ranked>
void FinishValuedRows(const KeptPixels& kept, const PixelRows& pixels, float alpha, const std::vector<float>* newValue) {
    const velora::detail::ChangedComponents changes = velora::detail::NonLinearComponents(Model);
    const int first = changes.first, changed = changes.count;  // not a structured binding: lambdas capture them
    velora::detail::ForRows(pixels, [&](std::int32_t firstRow, std::int32_t last) {
#if VELORA_X86
        const velora::detail::CostlyTransfer costly = velora::detail::MakeCostlyTransfer<Function>(alpha);
#endif
        for (std::int32_t y = firstRow; y < last; ++y) {
            std::uint8_t* p = pixels.Row(y);
            std::size_t at = std::size_t(y) * std::size_t(pixels.width);
            std::int32_t x = 0;
#if VELORA_X86
            if constexpr (Model >= 5 && Model != 6)
                if (velora::detail::HasAvx2() && kept.components.empty() == (Model < 9)) {
                    using namespace velora::detail;
                    if constexpr (Model == 5) x = ModelRowInLanes<YiqLanes, Function, Ranked>(p, pixels.step, pixels.width, at, kept, newValue, alpha, costly);
                    else if constexpr (Model == 7) x = ModelRowInLanes<YCbCrLanes, Function, Ranked>(p, pixels.step, pixels.width, at, kept, newValue, alpha, costly);
                    else if constexpr (Model == 8) x = ModelRowInLanes<XyzLanes, Function, Ranked>(p, pixels.step, pixels.width, at, kept, newValue, alpha, costly);
                    else {
                        using Back = std::conditional_t<Model == 9, LabBack, LuvBack>;
                        const float* values = Ranked ? newValue[0].data() : nullptr;
                        const std::uint32_t* ranks = Ranked ? kept.rank[0].data() + at : nullptr;
                        x = ComponentsBackRowInLanes<Back, Function, Ranked>(p, pixels.step, pixels.width,
                                                                             kept.components.data() + at * 3, values,
                                                                             ranks, alpha);
                    }
                    p += std::size_t(x) * pixels.step;
                    at += std::size_t(x);
                }
#endif
            for (; x < pixels.width; ++x, p += pixels.step, ++at) {
                float values[4] = {};
                if (kept.components.empty()) velora::detail::ToModelT<Model>(velora::detail::ColourAt(p), values);
                else std::copy_n(&kept.components[at * 3], 3, values);
                for (int c = 0; c < changed; ++c) {
                    if constexpr (Ranked) values[first + c] = newValue[c][kept.rank[c][at]];
                    else values[first + c] = velora::detail::ModelTransferT<Function>(values[first + c], alpha);
                }
                RGBQUAD result{};
                velora::detail::FromModelT<Model>(values, result);
                velora::detail::Put(p, result);
            }
        }
    });
}

template <int Model>
void FinishValued(KeptPixels& kept, const PixelRows& source, const PixelRows& pixels, int function, float alpha) {
    if (!velora::detail::TransferIsCostly(function, alpha)) {
        switch (function) {
            case 0: FinishValuedRows<Model, 0, false>(kept, pixels, alpha, nullptr); break;
            case 1: FinishValuedRows<Model, 1, false>(kept, pixels, alpha, nullptr); break;
            case 2: FinishValuedRows<Model, 2, false>(kept, pixels, alpha, nullptr); break;
            default: FinishValuedRows<Model, 5, false>(kept, pixels, alpha, nullptr); break;  // alpha 0
        }
        return;
    }
    if (kept.rank[0].empty() && !kept.ranksUnprofitable) KeepRanks<Model>(kept, source);
    if (kept.ranksUnprofitable) {
        switch (function) {
            case 3: FinishValuedRows<Model, 3, false>(kept, pixels, alpha, nullptr); break;
            case 4: FinishValuedRows<Model, 4, false>(kept, pixels, alpha, nullptr); break;
            case 5: FinishValuedRows<Model, 5, false>(kept, pixels, alpha, nullptr); break;
            default: FinishValuedRows<Model, 6, false>(kept, pixels, alpha, nullptr); break;
        }
        return;
    }
    const int changed = velora::detail::NonLinearComponents(Model).count;
    std::vector<float> newValue[3];
    for (int c = 0; c < changed; ++c) {
        const std::vector<float>& values = kept.distinct[c];
        newValue[c].resize(values.size());
        constexpr std::int32_t kChunk = 4096;
        const auto chunks = std::int32_t((values.size() + kChunk - 1) / kChunk);
        velora::detail::ForEachRowBand(chunks, std::size_t(kChunk) * 64, [&](std::int32_t firstChunk, std::int32_t last) {
            const std::size_t end = std::min(values.size(), std::size_t(last) * kChunk);
            for (std::size_t i = std::size_t(firstChunk) * kChunk; i < end; ++i)
                newValue[c][i] = velora::detail::ModelTransfer(function, values[i], alpha);
        });
    }
    FinishValuedRows<Model, 0, true>(kept, pixels, alpha, newValue);
}

}  // namespace

struct CModelPreview::Kept : KeptPixels {};

CModelPreview::CModelPreview(const CVelora& source) : m_source(source) {}
CModelPreview::~CModelPreview() = default;

unsigned CModelPreview::NonLinearContrast(CVelora& image, int colorModel, int function, float alpha) {
    const unsigned depth = image.GetBitCount();
    const bool direct = image.HasImage() && (depth == 24 || depth == 32);
    // CMYK and YUV convert so cheaply that the plain call is as quick.
    const bool kept = colorModel >= kModelHSI && colorModel < kColorModelCount && colorModel != kModelYUV;
    const bool valid = function >= 0 && function <= 6 && alpha >= 0.0f && alpha <= 1.0f;
    const std::int64_t count = std::int64_t(image.GetWidth()) * image.GetHeight();
    if (!direct || !kept || !valid || count > kMaxPreviewPixels || !m_source.HasImage() ||
        m_source.GetBitCount() != depth || m_source.GetWidth() != image.GetWidth() ||
        m_source.GetHeight() != image.GetHeight())
        return image.NonLinearContrast(colorModel, function, alpha);

    const PixelRows source = RowsOf(m_source, m_source.m_pchMapaBits, m_source.m_bytesPerRow);
    const PixelRows pixels = RowsOf(image, image.m_pchMapaBits, image.m_bytesPerRow);
    try {
        if (!m_kept || m_kept->model != colorModel) {
            m_kept.reset();
            auto made = std::make_unique<Kept>();
            made->model = colorModel;
            switch (colorModel) {  // the block models write this preview as they keep
                case kModelHSI: KeepHsi(*made, source, HsiRowsOf(pixels, function, alpha)); break;
                case kModelHSV: KeepHsv(*made, source, HsvRowsOf(pixels, function, alpha)); break;
                case kModelHSL: KeepHsl(*made, source, HslRowsOf(pixels, function, alpha)); break;
                case kModelCIELAB: KeepComponents<9>(*made, source); break;
                case kModelCIELUV: KeepComponents<10>(*made, source); break;
                default: break;
            }
            m_kept = std::move(made);
            if (colorModel >= kModelHSI && colorModel <= kModelHSL) return 0;
        }
        const KeptPixels& has = *m_kept;
        switch (colorModel) {
            case kModelHSI: FinishBlocksOfRows(has.hsi, has.blocksPerRow, pixels, HsiRowsOf(pixels, function, alpha)); break;
            case kModelHSV: FinishBlocksOfRows(has.hsv, has.blocksPerRow, pixels, HsvRowsOf(pixels, function, alpha)); break;
            case kModelHSL: FinishBlocksOfRows(has.hsl, has.blocksPerRow, pixels, HslRowsOf(pixels, function, alpha)); break;
            case kModelYIQ: FinishValued<5>(*m_kept, source, pixels, function, alpha); break;
            case kModelYCbCr: FinishValued<7>(*m_kept, source, pixels, function, alpha); break;
            case kModelCIEXYZ: FinishValued<8>(*m_kept, source, pixels, function, alpha); break;
            case kModelCIELAB: FinishValued<9>(*m_kept, source, pixels, function, alpha); break;
            default: FinishValued<10>(*m_kept, source, pixels, function, alpha); break;
        }
    } catch (const std::bad_alloc&) {
        // Nothing of the image was written before the memory was had.
        m_kept.reset();
        return image.NonLinearContrast(colorModel, function, alpha);
    }
    return 0;
}
