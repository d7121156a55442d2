// The colour-model paths' vector code (internal to the library): AVX2 functions on whole
// groups of eight pixels that give the bytes of the plain pieces (ModelPathPixels.h), for the
// rows (ModelPathRows.h) to call where HasAvx2().
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ModelLanes.h"
#include "ModelPathPixels.h"
#include "VectorTarget.h"

#if VELORA_X86

namespace velora::detail {

// KeyOf<kModelYUV> of eight pixels: RGBToYUV's truncated Y, (0.587 G + 0.299 R) + 0.114 B in floats.
VELORA_AVX2 inline __m256i YuvKeys(__m256i R, __m256i G, __m256i B) {
    return _mm256_cvttps_epi32(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(Splat8(kYuv.yGreen), _mm256_cvtepi32_ps(G)),
                                                           _mm256_mul_ps(Splat8(kYuv.yRed), _mm256_cvtepi32_ps(R))),
                                             _mm256_mul_ps(Splat8(kYuv.yBlue), _mm256_cvtepi32_ps(B))));
}

// YuvRows on a row's whole groups of eight pixels; returns how many pixels it did.
VELORA_AVX2 inline std::int32_t YuvRowInLanes(std::uint8_t* p, std::size_t step, std::int32_t width, const float* newY,
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
    if constexpr (Model == kModelYUV) return YuvKeys(R, G, B);
    if constexpr (Model == kModelHSI) return _mm256_add_epi32(_mm256_add_epi32(R, G), B);
    const __m256i max = _mm256_max_epi32(_mm256_max_epi32(R, G), B);
    if constexpr (Model == kModelHSV) return max;
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

// HsiFinish: newI by R + G + B, then lo, hi and the third component placed by the sector.
VELORA_AVX2 inline void FinishBlocks(std::uint8_t* p, std::size_t step, const HsiBlock* blocks, std::int32_t count,
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

VELORA_AVX2 inline void FinishBlocks(std::uint8_t* p, std::size_t step, const HsvBlock* blocks, std::int32_t count,
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

// HsiFactors of eight pixels into a block: the hue terms gathered by pair, the saturation in
// double lanes.
VELORA_AVX2 inline void MakeBlock(HsiBlock& out, const std::vector<HsiHue>& hues, const std::uint8_t* p, std::size_t step) {
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

// HsvFactors of eight pixels into a block.
VELORA_AVX2 inline void MakeBlock(HsvBlock& out, const std::uint8_t* p, std::size_t step) {
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
VELORA_AVX2 inline void FinishBlocks(std::uint8_t* p, std::size_t step, const HslCodeBlock* blocks, std::int32_t count,
                              const HslCodeValues& both) {
    for (std::int32_t n = 0; n < count; ++n, p += 8 * step)
        HslFinish8(p, step, HslLanesOfCodes(both.tables, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(blocks[n].code))),
                   both.values);
}

// HslFactors of eight pixels: their codes, then the factors gathered.
VELORA_AVX2 __attribute__((always_inline)) inline HslLanes HslFactors8(const HslTables& t, const std::uint8_t* p, std::size_t step) {
    return HslLanesOfCodes(t, HslCodes8(p, step));
}

// Eight entries table[component][key] of a CmykTable.
VELORA_AVX2 inline __m256i CmykEntries(const std::uint8_t* table, __m256i component, __m256i key) {
    const __m256i words = _mm256_i32gather_epi32(reinterpret_cast<const int*>(table), _mm256_add_epi32(_mm256_slli_epi32(component, 8), key), 1);
    return _mm256_and_si256(words, _mm256_set1_epi32(0xFF));
}

// CmykRows on a row's whole groups of eight pixels, the entries gathered; returns how many
// pixels it did.
VELORA_AVX2 inline std::int32_t CmykRowInLanes(std::uint8_t* p, std::size_t step, std::int32_t width, const std::uint8_t* red,
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

// Adds the L bins of LAB (kModelCIELAB) or LUV (kModelCIELUV) of a row's whole groups of eight pixels to
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

}  // namespace velora::detail

#endif
