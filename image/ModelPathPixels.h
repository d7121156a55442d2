// The colour-model paths' plain pieces (internal to the library): what ToModel, the change of
// the component(s) and FromModel compute for one pixel, split where a component takes few
// values or a factor depends on few of the pixel's bytes (VeloraModelPaths.cpp says how). They
// are the reference that the vector paths (ModelPathLanes.h) give byte for byte.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "ColorModelMath.h"
#include "ModelPaths.h"
#include "Parallel.h"
#include "WinTypes.h"

namespace velora::detail {

// These loops cost far more per byte than a copy: they go to the threads sooner.
inline constexpr std::size_t kWorkPerByte = 16;

template <class Work>
void ForRows(const PixelRows& pixels, const Work& work) {
    ForEachRowBand(pixels.height, std::size_t(pixels.width) * pixels.step * kWorkPerByte,
                   [&](std::int32_t first, std::int32_t last) { work(first, last); });
}

inline std::uint32_t ColourAt(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
}

inline void Put(std::uint8_t* p, const RGBQUAD& c) {
    p[0] = c.rgbBlue;
    p[1] = c.rgbGreen;
    p[2] = c.rgbRed;
}

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
    if constexpr (Model == kModelHSI) return R + G + B;
    else if constexpr (Model == kModelHSV) return std::max({R, G, B});
    else if constexpr (Model == kModelHSL) return std::max({R, G, B}) + std::min({R, G, B});
    else return int(kYuv.yGreen * float(G) + kYuv.yRed * float(R) + kYuv.yBlue * float(B));  // the conversion truncates
}
template <int Model>
constexpr int KeyCount() {
    return Model == kModelHSI ? 766 : Model == kModelHSL ? 511 : 256;
}
template <int Model>
float ValueOfKey(int key) {
    if constexpr (Model == kModelHSV) return float(double(float(key)) / 255.0 * double(255.0f));
    else if constexpr (Model == kModelHSL) return float((key + 1) * 255) / 510.0f;
    else return float(key);
}
template <int Model>
constexpr int KeyedComponent() {
    return Model == kModelYUV ? 0 : 2;
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

inline HsvPixel HsvFactors(const std::uint8_t* p) {
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
inline constexpr std::uint8_t kHsvPlaces[6][3] = {{0, 3, 1}, {2, 0, 1}, {1, 0, 3}, {1, 2, 0}, {3, 1, 0}, {0, 1, 2}};

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

inline const HslTables& TheHslTables() {
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

inline const YuvTerms& TheYuvTerms() {
    static const YuvTerms terms = [] {
        YuvTerms t{};
        for (int d = -255; d <= 255; ++d) {
            const float difference = float(d);
            const float U = std::trunc(difference * kYuv.u + 128) - 128;
            const float V = std::trunc(difference * kYuv.v + 128) - 128;
            t.red[d + 255] = kYuv.redV * V, t.greenV[d + 255] = kYuv.greenV * V;
            t.greenU[d + 255] = kYuv.greenU * U, t.blue[d + 255] = kYuv.blueU * U;
        }
        return t;
    }();
    return terms;
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

inline void PutLane(HsiBlock& b, int lane, const HsiPixel& in) {
    b.oneMinusS[lane] = in.oneMinusS, b.onePlusW[lane] = in.onePlusW, b.sum[lane] = in.sum, b.sector[lane] = in.sector;
}
inline HsiPixel LaneOf(const HsiBlock& b, int lane) { return HsiPixel{b.oneMinusS[lane], b.onePlusW[lane], b.sum[lane], b.sector[lane]}; }

inline void PutLane(HsvBlock& b, int lane, const velora::detail::HsvPixel& in) {
    b.p[lane] = in.p, b.q[lane] = in.q, b.t[lane] = in.t, b.sector[lane] = in.sector, b.max[lane] = in.max;
}
inline velora::detail::HsvPixel LaneOf(const HsvBlock& b, int lane) {
    return velora::detail::HsvPixel{b.p[lane], b.q[lane], b.t[lane], b.sector[lane], b.max[lane]};
}

// The new L of each key and the tables that a code's factors come from.
struct HslCodeValues {
    const velora::detail::HslValues& values;
    const velora::detail::HslTables& tables;
};
inline void PutLane(HslCodeBlock& b, int lane, std::uint32_t code) { b.code[lane] = code; }
inline std::uint32_t LaneOf(const HslCodeBlock& b, int lane) { return b.code[lane]; }

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
inline void FillCmykTable(const float* newComponent, const float* newK, CmykTable& table) {
    float v[256], vk[256];
    for (int i = 0; i < 256; ++i) v[i] = newComponent[i] / 255.0f, vk[i] = newK[i] / 255.0f;
    for (int c = 0; c < 256; ++c)
        for (int k = 0; k < 256; ++k)
            table[std::size_t(c * 256 + k)] = ClampTruncate(255.0f * (1.0f - v[c]) * (1.0f - vk[k]));
}

// ---------------------------------------------------------------- HSI

inline constexpr int kPairSide = 511;
inline int PairOf(int R, int G, int B) { return (R - G + 255) * kPairSide + (R - B + 255); }

// The hue terms of HSIToRGB for a hue that RGBToHSI gives from R - G and R - B: the sector
// and the two cosines of its formula.
struct HsiHue {
    float cosNum = 0, cosDen = 0;
    int sector = 0;
};
// H of RGBToHSI (range 1) from R - G and R - B.
inline float HsiHueOf(int rg, int rb) {
    constexpr float kHueFactor = 40.58451f, kCircle = 255.0f;
    if (rg == 0 && rb == 0) return 0.0f;
    const float dRG = float(rg), dRB = float(rb), dGB = float(rb - rg);
    const float num = dRG + dRB;
    const float den = 2.0f * std::sqrt(dRG * dRG + dRB * dGB);
    const float theta = std::acos(std::clamp(num / den, -1.0f, 1.0f)) * kHueFactor;
    return dGB < 0 ? kCircle - theta : theta;
}

inline HsiHue HueTerms(int rg, int rb) {
    const float h = HsiHueOf(rg, rb) / 40.58451f;
    if (h >= 0 && h < 2.0943951f) return {std::cos(h), std::cos(1.04719755f - h), 0};
    if (h >= 2.0943951f && h < 4.1887902f) return {std::cos(h - 2.0943951f), std::cos(3.14159265f - h), 1};
    return {std::cos(h - 4.1887902f), std::cos(5.23598775f - h), 2};
}

// S on the way back (S / 255), as RGBToHSI gives it and HSIToRGB divides it.
inline float HsiSaturation(int R, int G, int B) {
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

inline HsiPixel HsiFactors(const std::vector<HsiHue>& hues, const std::uint8_t* p) {
    const int B = p[0], G = p[1], R = p[2];
    const HsiHue& hue = hues[std::size_t(PairOf(R, G, B))];
    const float s = HsiSaturation(R, G, B);
    return HsiPixel{1 - s, 1 + s * hue.cosNum / hue.cosDen, std::uint16_t(R + G + B), std::uint8_t(hue.sector)};
}

inline float HsiIntensity(int sum) { return float((double(float(sum)) / 3.0 / 255.0) * 255.0); }

}  // namespace velora::detail
