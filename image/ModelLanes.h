// Colour-model conversions on lanes of pixels (internal to the library): AVX2 code, compiled
// for that target whatever the build's own, and used only where the processor has it. Every
// helper that gives a result does the scalar code's single-precision or double operations in
// the same order, lane by lane, and fuses no multiply and add except in the quotients below,
// which give the division's own result. Some ways first take float sums with a bound on their
// distance from the exact ones (those may fuse), and keep the exact operations for the few
// pixels whose bytes or bins the bound leaves in doubt.
#pragma once

#include "VectorTarget.h"

#if VELORA_X86

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>
#include <utility>
#include <vector>

#include "ColorModelMath.h"
#include "ModelPaths.h"

namespace velora::detail {

// Blue, green and red of four pixels as 32-bit lanes (the loads stay inside the row).
VELORA_AVX2 inline void LoadChannels4(const std::uint8_t* p, std::size_t step, __m128i& red, __m128i& green, __m128i& blue) {
    __m128i v;
    if (step == 4) {
        v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    } else {
        std::int64_t low;
        std::int32_t high;
        std::memcpy(&low, p, 8);
        std::memcpy(&high, p + 8, 4);
        v = _mm_insert_epi32(_mm_cvtsi64_si128(low), high, 2);
    }
    // Byte k of pixel i to the low byte of lane i (the other bytes of the lane zero).
    const int s = int(step);
    const __m128i lane = _mm_or_si128(_mm_setr_epi32(0, s, 2 * s, 3 * s), _mm_set1_epi32(int(0x80808000u)));
    blue = _mm_shuffle_epi8(v, lane);
    green = _mm_shuffle_epi8(v, _mm_add_epi32(lane, _mm_set1_epi32(1)));
    red = _mm_shuffle_epi8(v, _mm_add_epi32(lane, _mm_set1_epi32(2)));
}

VELORA_AVX2 inline void LoadPixels4(const std::uint8_t* p, std::size_t step, __m256d& red, __m256d& green, __m256d& blue) {
    __m128i r, g, b;
    LoadChannels4(p, step, r, g, b);
    red = _mm256_cvtepi32_pd(r);
    green = _mm256_cvtepi32_pd(g);
    blue = _mm256_cvtepi32_pd(b);
}

VELORA_AVX2 __attribute__((always_inline)) inline void LoadChannels8(const std::uint8_t* p, std::size_t step, __m256i& red, __m256i& green, __m256i& blue) {
    __m128i r0, g0, b0, r1, g1, b1;
    LoadChannels4(p, step, r0, g0, b0);
    LoadChannels4(p + 4 * step, step, r1, g1, b1);
    red = _mm256_set_m128i(r1, r0);
    green = _mm256_set_m128i(g1, g0);
    blue = _mm256_set_m128i(b1, b0);
}

VELORA_AVX2 inline __m256i Bytes8(const std::uint8_t* bytes) {
    std::int64_t eight;
    std::memcpy(&eight, bytes, 8);
    return _mm256_cvtepu8_epi32(_mm_cvtsi64_si128(eight));
}
VELORA_AVX2 inline __m256i Words8(const std::uint16_t* words) {
    return _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(words)));
}
// [0, 255], as the scalar clamps before a conversion (max gives 0 for NaN).
VELORA_AVX2 inline __m256 Clamped255(__m256 v) {
    return _mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), _mm256_set1_ps(255));
}
VELORA_AVX2 inline __m128 Clamped255(__m128 v) { return _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(255)); }
// ClampTruncate of float lanes (the double the scalar clamps holds the same value).
VELORA_AVX2 inline __m256i ClampTruncate8(__m256 v) { return _mm256_cvttps_epi32(Clamped255(v)); }
// ClampRound: the clamped value plus one half in double, truncated.
VELORA_AVX2 inline __m256i ClampRound8(__m256 v) {
    const __m256 c = Clamped255(v);
    const __m256d half = _mm256_set1_pd(0.5);
    const __m128i lo = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(c)), half));
    const __m128i hi = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(c, 1)), half));
    return _mm256_set_m128i(hi, lo);
}
VELORA_AVX2 inline __m256 Pick(__m256 chosen, __m256 other, __m256i index, int value) {
    return _mm256_blendv_ps(chosen, other, _mm256_castsi256_ps(_mm256_cmpeq_epi32(index, _mm256_set1_epi32(value))));
}
VELORA_AVX2 inline __m256i Pick(__m256i chosen, __m256i other, __m256i index, int value) {
    return _mm256_blendv_epi8(chosen, other, _mm256_cmpeq_epi32(index, _mm256_set1_epi32(value)));
}

// Four pixels from their red, green and blue levels; the alpha bytes of 32-bit pixels stay,
// and a 24-bit row gets exactly its 12 bytes (the bytes after them are another pixel's).
VELORA_AVX2 inline void StorePixels4(std::uint8_t* p, std::size_t step, __m128i red, __m128i green, __m128i blue) {
    const __m128i words = _mm_or_si128(_mm_or_si128(blue, _mm_slli_epi32(green, 8)), _mm_slli_epi32(red, 16));
    if (step == 4) {
        __m128i* q = reinterpret_cast<__m128i*>(p);
        const __m128i alpha = _mm_and_si128(_mm_loadu_si128(q), _mm_set1_epi32(int(0xFF000000u)));
        _mm_storeu_si128(q, _mm_or_si128(alpha, words));
        return;
    }
    const __m128i packed = _mm_shuffle_epi8(words, _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
    const std::int32_t rest = _mm_extract_epi32(packed, 2);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), packed);
    std::memcpy(p + 8, &rest, 4);
}

// The same for eight pixels, four at a time.
VELORA_AVX2 inline void StorePixels8(std::uint8_t* p, std::size_t step, __m256i red, __m256i green, __m256i blue) {
    StorePixels4(p, step, _mm256_castsi256_si128(red), _mm256_castsi256_si128(green), _mm256_castsi256_si128(blue));
    StorePixels4(p + 4 * step, step, _mm256_extracti128_si256(red, 1), _mm256_extracti128_si256(green, 1),
                 _mm256_extracti128_si256(blue, 1));
}

VELORA_AVX2 inline __m256d Splat(double v) { return _mm256_set1_pd(v); }
VELORA_AVX2 inline __m256 Splat8(float v) { return _mm256_set1_ps(v); }

// Lanes 4 half to 4 half + 3 of eight.
VELORA_AVX2 inline __m128 HalfOf(__m256 v, int half) { return half ? _mm256_extractf128_ps(v, 1) : _mm256_castps256_ps128(v); }
VELORA_AVX2 inline __m128i HalfOf(__m256i v, int half) { return half ? _mm256_extracti128_si256(v, 1) : _mm256_castsi256_si128(v); }

// Quotients by a constant without a division (a division costs as much as a dozen
// multiplies): the product with the rounded reciprocal lies within an ulp of a / b, the fused
// remainder a - q b is exact, and one fused step q + remainder (1 / b) rounds to the quotient
// the division gives (Markstein). That holds while the quotient is no subnormal; the dividends
// here are zero or far above that. Every float dividend was checked for each divisor used
// (double lanes: every float, times the integer the conversion multiplies it by); the tests
// keep a sample of them.
VELORA_AVX2 inline __m256 Quotient8(__m256 a, float b) {
    const __m256 reciprocal = Splat8(1.0f / b), q = _mm256_mul_ps(a, reciprocal);
    return _mm256_fmadd_ps(_mm256_fnmadd_ps(q, Splat8(b), a), reciprocal, q);
}
VELORA_AVX2 inline __m128 Quotient4(__m128 a, float b) {
    const __m128 reciprocal = _mm_set1_ps(1.0f / b), q = _mm_mul_ps(a, reciprocal);
    return _mm_fmadd_ps(_mm_fnmadd_ps(q, _mm_set1_ps(b), a), reciprocal, q);
}
VELORA_AVX2 inline __m256d Quotient4(__m256d a, double b) {
    const __m256d reciprocal = Splat(1.0 / b), q = _mm256_mul_pd(a, reciprocal);
    return _mm256_fmadd_pd(_mm256_fnmadd_pd(q, Splat(b), a), reciprocal, q);
}

// c > 0 ? min(c, 255) : 0, which gives 0 for NaN (the transfer's last step too).
VELORA_AVX2 inline __m128 Clamp255(__m128 c) {
    return _mm_and_ps(_mm_cmpgt_ps(c, _mm_setzero_ps()), _mm_min_ps(c, _mm_set1_ps(255.0f)));
}
VELORA_AVX2 inline __m256 Clamp255(__m256 c) {
    return _mm256_and_ps(_mm256_cmp_ps(c, _mm256_setzero_ps(), _CMP_GT_OQ), _mm256_min_ps(c, Splat8(255.0f)));
}

// ModelTransferT<Function> on eight lanes, for the functions without a library call (0, 1 and
// 2): the clamp to [0, 255] (max(x, 0) gives 0 for NaN, where the scalar clamp keeps NaN; both
// then end at 0), the function with the same single-precision steps, and the final clamp.
template <int Function>
VELORA_AVX2 inline __m256 TransferLanes(__m256 x) {
    static_assert(Function <= 2);
    x = Clamped255(x);
    __m256 v;
    if constexpr (Function == 0) v = Quotient8(_mm256_mul_ps(x, x), 255.0f);
    else if constexpr (Function == 1) v = Quotient8(_mm256_mul_ps(_mm256_mul_ps(x, x), x), 65025.0f);
    else v = _mm256_sqrt_ps(_mm256_mul_ps(x, Splat8(255.0f)));
    return Clamp255(v);
}

// ModelTransferT<Function> of eight lanes for every function: the single-precision steps in
// lanes, in their order, and the library's call lane by lane (the same call on the same
// float). The call that depends on alpha alone (log 256, the sine or tangent of the half
// angle) is made once, when the transfer is made.
template <int Function>
struct LaneTransfer {
    float alpha, divisor = 1.0f;
    LaneTransfer(float a) : alpha(a) {
        if constexpr (Function == 4) divisor = std::log(256.0f);
        if constexpr (Function >= 5) divisor = SigmoidDenominator<Function>(alpha);
    }
    VELORA_AVX2 __m256 operator()(__m256 x) const {
        if constexpr (Function <= 2) {
            return TransferLanes<Function>(x);
        } else {
            if ((Function == 5 || Function == 6) && alpha == 0.0f) return Clamp255(Clamped255(x));
            // std::clamp keeps NaN, as the library calls then do (and the last clamp makes 0).
            x = _mm256_blendv_ps(x, _mm256_setzero_ps(), _mm256_cmp_ps(x, _mm256_setzero_ps(), _CMP_LT_OQ));
            x = _mm256_blendv_ps(x, Splat8(255.0f), _mm256_cmp_ps(Splat8(255.0f), x, _CMP_LT_OQ));
            __m256 y;  // the call's argument
            if constexpr (Function == 3) y = _mm256_mul_ps(x, Splat8(65025.0f));
            else if constexpr (Function == 4) y = _mm256_add_ps(x, Splat8(1.0f));
            else
                y = _mm256_mul_ps(_mm256_mul_ps(_mm256_sub_ps(_mm256_div_ps(x, Splat8(255.0f)), Splat8(0.5f)), Splat8(alpha)),
                                  Splat8(kTransferPi));
            alignas(32) float lanes[8];
            _mm256_store_ps(lanes, y);
            for (float& e : lanes) {
                if constexpr (Function == 3) e = std::pow(e, 0.333333f);
                else if constexpr (Function == 4) e = std::log(e);
                else if constexpr (Function == 5) e = std::sin(e);
                else e = std::tan(e);
            }
            __m256 v = _mm256_load_ps(lanes);
            if constexpr (Function == 4) v = _mm256_mul_ps(_mm256_div_ps(v, Splat8(divisor)), Splat8(255.0f));
            if constexpr (Function >= 5)
                v = _mm256_add_ps(_mm256_div_ps(_mm256_mul_ps(v, Splat8(127.5f)), Splat8(divisor)), Splat8(127.5f));
            return Clamp255(v);
        }
    }
};

// ClampTruncate of four doubles.
VELORA_AVX2 inline __m128i ClampTruncate4(__m256d v) {
    return _mm256_cvttpd_epi32(_mm256_min_pd(_mm256_max_pd(v, _mm256_setzero_pd()), _mm256_set1_pd(255)));
}

// (ka a + kb b) + kc c, in that order.
VELORA_AVX2 inline __m256d Sum3(double ka, __m256d a, double kb, __m256d b, double kc, __m256d c) {
    return _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(Splat(ka), a), _mm256_mul_pd(Splat(kb), b)), _mm256_mul_pd(Splat(kc), c));
}

// XYZToRGB's X, Y and Z (range 1) as doubles on the scale of 1, from components on 255's.
VELORA_AVX2 inline void XyzUnitsOf(__m128 x, __m128 y, __m128 z, __m256d& X, __m256d& Y, __m256d& Z) {
    X = Quotient4(_mm256_cvtps_pd(x), 255.0);
    Y = Quotient4(_mm256_cvtps_pd(y), 255.0);
    Z = _mm256_mul_pd(Quotient4(_mm256_cvtps_pd(z), 255.0), Splat(kXyzZBack));
}

// XYZToRGB's three sums of X, Y and Z (kRgbOfXyz's rows), times 255, as bytes, in the
// function's order.
VELORA_AVX2 inline __m128i XyzChannel(int channel, __m256d X, __m256d Y, __m256d Z) {
    const auto& k = kRgbOfXyz[channel];
    return ClampTruncate4(_mm256_mul_pd(Sum3(k[0], X, k[1], Y, k[2], Z), Splat(255.0)));
}
VELORA_AVX2 inline __m128i XyzRed(__m256d X, __m256d Y, __m256d Z) { return XyzChannel(0, X, Y, Z); }
VELORA_AVX2 inline __m128i XyzGreen(__m256d X, __m256d Y, __m256d Z) { return XyzChannel(1, X, Y, Z); }
VELORA_AVX2 inline __m128i XyzBlue(__m256d X, __m256d Y, __m256d Z) { return XyzChannel(2, X, Y, Z); }

// XYZToRGB (range 1) of four pixels from their X, Y and Z, stored.
VELORA_AVX2 inline void StoreFromXyz4(std::uint8_t* p, std::size_t step, __m128 x, __m128 y, __m128 z) {
    __m256d X, Y, Z;
    XyzUnitsOf(x, y, z, X, Y, Z);
    StorePixels4(p, step, XyzRed(X, Y, Z), XyzGreen(X, Y, Z), XyzBlue(X, Y, Z));
}

// One of XYZToRGB's sums (times 255) in floats at the corner (x, y, z) of bounds on 255's scale,
// with its bound on the doubles': kx x + ky y + kz z in that order of terms. Against the real
// sum, with S = |kx| X + |ky| Y + |kz| Z (X, Y, Z: the components' largest magnitudes), the
// coefficients' rounding to floats is within 2^-24 S, so are the three products' roundings
// together, and so is each of the two additions': 2^-22 S in all. The doubles are within
// 2^-50 S, and widening an end by the bound rounds within 2^-24 S more. The bound taken is
// 2^-21 S.
struct XyzSum {
    float kx, ky, kz;
};
constexpr XyzSum XyzSumOf(int channel) {
    const auto& k = kRgbOfXyz[channel];
    return {float(k[0]), float(k[1]), float(k[2] * kXyzZBack)};
}
inline constexpr XyzSum kXyzRed = XyzSumOf(0), kXyzGreen = XyzSumOf(1), kXyzBlue = XyzSumOf(2);
VELORA_AVX2 __attribute__((always_inline)) inline __m256 XyzSumAt(const XyzSum& k, __m256 x, __m256 y, __m256 z) {
    return _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(Splat8(k.kx), x), _mm256_mul_ps(Splat8(k.ky), y)), _mm256_mul_ps(Splat8(k.kz), z));
}
VELORA_AVX2 __attribute__((always_inline)) inline __m256 XyzSumBound(const XyzSum& k, const __m256* magnitude) {
    const __m256 s = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(Splat8(std::fabs(k.kx)), magnitude[0]),
                                                 _mm256_mul_ps(Splat8(std::fabs(k.ky)), magnitude[1])),
                                   _mm256_mul_ps(Splat8(std::fabs(k.kz)), magnitude[2]));
    return _mm256_mul_ps(s, Splat8(0x1p-21f));
}

// A byte from the float sums at its two corners: where both ends, widened by the sum's bound,
// truncate to one byte (and neither is NaN), the lane is set and byte holds it.
VELORA_AVX2 __attribute__((always_inline)) inline __m256 XyzByte(const XyzSum& k, const __m256* magnitude, __m256 lowEnd,
                                                                  __m256 highEnd, __m256i& byte) {
    const __m256 bound = XyzSumBound(k, magnitude);
    const __m256 a = _mm256_sub_ps(lowEnd, bound), b = _mm256_add_ps(highEnd, bound);
    byte = ClampTruncate8(a);
    return _mm256_and_ps(_mm256_cmp_ps(a, b, _CMP_ORD_Q), _mm256_castsi256_ps(_mm256_cmpeq_epi32(byte, ClampTruncate8(b))));
}

// The bytes of eight pixels from their X, Y and Z bounds in floats (each end of a byte at its
// own corner, as StoreSettledXyz's); returns a bit for each pixel whose bytes these settle.
VELORA_AVX2 __attribute__((always_inline)) inline int XyzFloatBytes(const __m256* low, const __m256* high, __m256i& red,
                                                                    __m256i& green, __m256i& blue) {
    __m256 magnitude[3];
    const __m256 sign = Splat8(-0.0f);
    for (int c = 0; c < 3; ++c) magnitude[c] = _mm256_max_ps(_mm256_andnot_ps(sign, low[c]), _mm256_andnot_ps(sign, high[c]));
    const __m256 redSettled = XyzByte(kXyzRed, magnitude, XyzSumAt(kXyzRed, low[0], high[1], high[2]),
                                      XyzSumAt(kXyzRed, high[0], low[1], low[2]), red);
    const __m256 greenSettled = XyzByte(kXyzGreen, magnitude, XyzSumAt(kXyzGreen, high[0], low[1], low[2]),
                                        XyzSumAt(kXyzGreen, low[0], high[1], high[2]), green);
    const __m256 blueSettled = XyzByte(kXyzBlue, magnitude, XyzSumAt(kXyzBlue, low[0], high[1], low[2]),
                                       XyzSumAt(kXyzBlue, high[0], low[1], high[2]), blue);
    return _mm256_movemask_ps(_mm256_and_ps(_mm256_and_ps(redSettled, greenSettled), blueSettled));
}

// XYZToRGB (range 1) of eight pixels, stored: the float sums where they settle the bytes (all
// but a few pixels in a thousand), else the doubles four at a time.
VELORA_AVX2 __attribute__((always_inline)) inline void StoreFromXyz8(std::uint8_t* p, std::size_t step, const __m256* v) {
    __m256i red, green, blue;
    const int settled = XyzFloatBytes(v, v, red, green, blue);
    if (settled == 0xFF) {
        StorePixels8(p, step, red, green, blue);
        return;
    }
    for (int half = 0; half < 2; ++half) {
        std::uint8_t* four = p + std::size_t(4 * half) * step;
        if (((settled >> (4 * half)) & 0xF) == 0xF) StorePixels4(four, step, HalfOf(red, half), HalfOf(green, half), HalfOf(blue, half));
        else StoreFromXyz4(four, step, HalfOf(v[0], half), HalfOf(v[1], half), HalfOf(v[2], half));
    }
}

// kByteUnits of lanes of bytes: float(byte / 255) is also the float quotient byte / 255.0f (for
// each of the 256 bytes), which the quotient's fused steps give without a division or a
// gather (a gather waits long for its loads, and these conversions wait on every step).
VELORA_AVX2 inline __m128 ByteUnits(__m128i bytes) { return Quotient4(_mm_cvtepi32_ps(bytes), 255.0f); }
VELORA_AVX2 inline __m256 ByteUnits(__m256i bytes) { return Quotient8(_mm256_cvtepi32_ps(bytes), 255.0f); }

// Red, green and blue of four pixels as RGBToXYZ reads them: float(byte / 255), widened.
VELORA_AVX2 inline void UnitChannels4(const std::uint8_t* p, std::size_t step, __m256d& r, __m256d& g, __m256d& b) {
    __m128i R, G, B;
    LoadChannels4(p, step, R, G, B);
    r = _mm256_cvtps_pd(ByteUnits(R));
    g = _mm256_cvtps_pd(ByteUnits(G));
    b = _mm256_cvtps_pd(ByteUnits(B));
}

// LabFInverse: the cube where it exceeds kLabEpsilon (as a double: the cube is compared with
// the least float above it), else the linear part.
// cubes: a bit for each lane that takes the cube.
VELORA_AVX2 __attribute__((always_inline)) inline __m256 LabFInverse8(__m256 f, int& cubes) {
    static const float above = [] {
        float t = float(kLabEpsilon);
        return double(t) <= kLabEpsilon ? std::nextafter(t, 1.0f) : t;
    }();
    const __m256 cube = _mm256_mul_ps(_mm256_mul_ps(f, f), f);
    const __m256 taken = _mm256_cmp_ps(cube, Splat8(above), _CMP_GE_OQ);
    cubes = _mm256_movemask_ps(taken);
    if (cubes == 0xFF) return cube;  // the usual case: no line to compute
    const __m256 linear = Quotient8(_mm256_sub_ps(f, Splat8(float(kLabOffset))), float(kLabSlope));
    return _mm256_blendv_ps(linear, cube, taken);
}
VELORA_AVX2 inline __m256 LabFInverse8(__m256 f) {
    int cubes;
    return LabFInverse8(f, cubes);
}

// ---------------------------------------------------------------- CIE LAB and LUV, there
// Their components take a double power (the cube root) per pixel, which the library computes
// to within 0.52 ulp. The lanes compute a cube root within 2^-43 of the true one; a bound of
// 2^-40 around it then holds the library's value, and where the whole bound rounds to one
// float (or, for LUV's L, makes one float of 116 p - 16) that float is the library's result.
// Elsewhere, about one lane in fifty thousand, the caller asks the library.

inline constexpr double kCubeRootBound = 1.0 / double(1ull << 40);

// t^(1/3) for 2^-120 < t < 2^120 within 2^-43, for N vectors at once, without a division
// (the divider would be the bottleneck): t^(-1/3) in floats, eight lanes at a time, within
// 3.5 % by the classic bit trick and three Newton steps r += r (1 - t r^3) / 3 to within
// 2^-22.5 (the roundings of t, of r^3 and of the step); one step in doubles then squares that
// error (2 e^2 and the doubles' roundings), and t r^2 doubles it (2^-44.4 measured). Other t
// (0 among them) give nonsense or NaN, which the companding's linear branch drops. Several
// vectors side by side keep the steps' chains overlapping.
template <int N>
VELORA_AVX2 inline void CubeRoots4(const __m256d* t, __m256d* root) {
    constexpr int kPairs = (N + 1) / 2;
    __m256 r[kPairs], tf[kPairs];
    for (int i = 0; i < kPairs; ++i) {
        const __m128 low = _mm256_cvtpd_ps(t[2 * i]), high = 2 * i + 1 < N ? _mm256_cvtpd_ps(t[2 * i + 1]) : low;
        tf[i] = _mm256_set_m128(high, low);
        const __m256i third =
            _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_castps_si256(tf[i])), Splat8(1.0f / 3)));
        r[i] = _mm256_castsi256_ps(_mm256_sub_epi32(_mm256_set1_epi32(0x54a23200), third));
    }
    for (int step = 0; step < 3; ++step)
        for (int i = 0; i < kPairs; ++i) {
            const __m256 miss = _mm256_fnmadd_ps(tf[i], _mm256_mul_ps(_mm256_mul_ps(r[i], r[i]), r[i]), Splat8(1.0f));
            r[i] = _mm256_fmadd_ps(_mm256_mul_ps(r[i], miss), Splat8(1.0f / 3), r[i]);
        }
    for (int i = 0; i < N; ++i) {
        const __m256d near = _mm256_cvtps_pd(HalfOf(r[i / 2], i % 2));
        const __m256d miss = _mm256_fnmadd_pd(t[i], _mm256_mul_pd(_mm256_mul_pd(near, near), near), Splat(1.0));
        const __m256d r2 = _mm256_fmadd_pd(_mm256_mul_pd(near, miss), Splat(1.0 / 3.0), near);
        root[i] = _mm256_mul_pd(_mm256_mul_pd(t[i], r2), r2);
    }
}

// X, Y and Z of four pixels as RGBToXYZ gives them for range 2 (the scale of 1).
VELORA_AVX2 inline void XyzUnits4(const std::uint8_t* p, std::size_t step, __m128& x, __m128& y, __m128& z) {
    __m256d r, g, b;
    UnitChannels4(p, step, r, g, b);
    const auto& k = kXyzOfRgb;
    x = _mm256_cvtpd_ps(Sum3(k[0][0], r, k[0][1], g, k[0][2], b));
    y = _mm256_cvtpd_ps(Sum3(k[1][0], r, k[1][1], g, k[1][2], b));
    z = _mm256_cvtpd_ps(_mm256_mul_pd(Sum3(k[2][0], r, k[2][1], g, k[2][2], b), Splat(kXyzZScale)));
}

// A mask of four double lanes as four float lanes.
VELORA_AVX2 inline __m128 NarrowMask(__m256d mask) {
    return _mm_castsi128_ps(_mm256_castsi256_si128(
        _mm256_permutevar8x32_epi32(_mm256_castpd_si256(mask), _mm256_setr_epi32(0, 2, 4, 6, 0, 0, 0, 0))));
}

// LUV's 116 f - 16 in double.
VELORA_AVX2 inline __m256d Lightness4(__m256d f) { return _mm256_sub_pd(_mm256_mul_pd(Splat(116.0), f), Splat(16.0)); }

// LAB (kModelCIELAB) or LUV (kModelCIELUV) components, range 1, of G groups of four pixels, as RGBToLAB and
// RGBToLUV give them; returns a bit for each group with a lane whose power the bound leaves
// open. The groups' cube roots run side by side.
template <int Model, int G>
VELORA_AVX2 inline int CieGroups(const std::uint8_t* p, std::size_t step, __m128 (*v)[3]) {
    constexpr int kRoots = Model == kModelCIELAB ? 3 : 1;
    __m128 x[G], y[G], z[G], tf[G * kRoots];
    __m256d t[G * kRoots], root[G * kRoots];
    const __m128 scale = _mm_set1_ps(255.0f);
    for (int g = 0; g < G; ++g) {
        XyzUnits4(p + std::size_t(4 * g) * step, step, x[g], y[g], z[g]);
        x[g] = _mm_mul_ps(x[g], scale);
        y[g] = _mm_mul_ps(y[g], scale);
        z[g] = _mm_mul_ps(z[g], scale);
        if constexpr (Model == kModelCIELAB) {
            tf[3 * g] = Quotient4(x[g], kWhiteX);
            tf[3 * g + 1] = Quotient4(y[g], kWhiteY);
            tf[3 * g + 2] = Quotient4(z[g], kWhiteZ);
            for (int i = 0; i < 3; ++i) t[3 * g + i] = _mm256_cvtps_pd(tf[3 * g + i]);
        } else {
            t[g] = Quotient4(_mm256_cvtps_pd(y[g]), double(kWhiteY));  // LabFDouble's argument
        }
    }
    CubeRoots4<G * kRoots>(t, root);
    int open = 0;
    for (int g = 0; g < G; ++g) {
        __m128 settled = _mm_castsi128_ps(_mm_set1_epi32(-1));
        if constexpr (Model == kModelCIELAB) {
            // LabF: float(pow(double(t), 1/3)) above kLabEpsilon, else the line in floats.
            __m128 f[3];
            for (int i = 0; i < 3; ++i) {
                const int k = 3 * g + i;
                const __m128 low = _mm256_cvtpd_ps(_mm256_mul_pd(root[k], Splat(1.0 - kCubeRootBound)));
                const __m128 high = _mm256_cvtpd_ps(_mm256_mul_pd(root[k], Splat(1.0 + kCubeRootBound)));
                const __m128 linear = _mm_add_ps(_mm_mul_ps(_mm_set1_ps(float(kLabSlope)), tf[k]), _mm_set1_ps(float(kLabOffset)));
                const __m128 curve = NarrowMask(_mm256_cmp_pd(t[k], Splat(kLabEpsilon), _CMP_GT_OQ));
                settled = _mm_andnot_ps(_mm_andnot_ps(_mm_cmpeq_ps(low, high), curve), settled);
                f[i] = _mm_blendv_ps(linear, low, curve);
            }
            v[g][0] = _mm_sub_ps(_mm_mul_ps(_mm_set1_ps(116.0f), f[1]), _mm_set1_ps(16.0f));
            v[g][1] = _mm_mul_ps(_mm_set1_ps(500.0f), _mm_sub_ps(f[0], f[1]));
            v[g][2] = _mm_mul_ps(_mm_set1_ps(200.0f), _mm_sub_ps(f[1], f[2]));
        } else {
            const __m128 d =
                _mm_add_ps(_mm_add_ps(x[g], _mm_mul_ps(_mm_set1_ps(15.0f), y[g])), _mm_mul_ps(_mm_set1_ps(3.0f), z[g]));
            const __m128 positive = _mm_cmpgt_ps(d, _mm_setzero_ps());
            const __m128 u =
                _mm_blendv_ps(_mm_set1_ps(kWhiteU), _mm_div_ps(_mm_mul_ps(_mm_set1_ps(4.0f), x[g]), d), positive);
            const __m128 vv =
                _mm_blendv_ps(_mm_set1_ps(kWhiteV), _mm_div_ps(_mm_mul_ps(_mm_set1_ps(9.0f), y[g]), d), positive);
            // L = float(116 LabFDouble(double(Y) / 100) - 16), the function in double.
            const __m128 low = _mm256_cvtpd_ps(Lightness4(_mm256_mul_pd(root[g], Splat(1.0 - kCubeRootBound))));
            const __m128 high = _mm256_cvtpd_ps(Lightness4(_mm256_mul_pd(root[g], Splat(1.0 + kCubeRootBound))));
            const __m128 linear =
                _mm256_cvtpd_ps(Lightness4(_mm256_add_pd(_mm256_mul_pd(Splat(kLabSlope), t[g]), Splat(kLabOffset))));
            const __m128 curve = NarrowMask(_mm256_cmp_pd(t[g], Splat(kLabEpsilon), _CMP_GT_OQ));
            settled = _mm_andnot_ps(_mm_andnot_ps(_mm_cmpeq_ps(low, high), curve), settled);
            const __m128 L = _mm_blendv_ps(linear, low, curve);
            const __m128 thirteenL = _mm_mul_ps(_mm_set1_ps(13.0f), L);
            v[g][0] = L;
            v[g][1] = _mm_mul_ps(thirteenL, _mm_sub_ps(u, _mm_set1_ps(kWhiteU)));
            v[g][2] = _mm_mul_ps(thirteenL, _mm_sub_ps(vv, _mm_set1_ps(kWhiteV)));
        }
        if (_mm_movemask_ps(settled) != 0xF) open |= 1 << g;
    }
    return open;
}

// ---------------------------------------------------------------- CIE LAB and LUV, back
// LABToXYZ or LUVToXYZ (range 1) and XYZToRGB of eight pixels from their components, stored:
// the single-precision operations in their order, then XYZToRGB's.

struct LabBack {
    // LABToXYZ's X, Y and Z (range 1, clamped) of eight pixels; branches: a bit for each lane
    // whose X, Y or Z (bits 0, 8, 16 on) takes the companding's cube.
    VELORA_AVX2 __attribute__((always_inline)) static void Xyz(__m256 L, __m256 A, __m256 B, __m256* v, int& branches) {
        const __m256 fy = Quotient8(_mm256_add_ps(L, Splat8(16)), 116);
        const __m256 fx = _mm256_add_ps(Quotient8(A, 500), fy);
        const __m256 fz = _mm256_sub_ps(fy, Quotient8(B, 200));
        int cubes[3];
        v[0] = Clamp255(_mm256_mul_ps(LabFInverse8(fx, cubes[0]), Splat8(kWhiteX)));
        v[1] = Clamp255(_mm256_mul_ps(LabFInverse8(fy, cubes[1]), Splat8(kWhiteY)));
        v[2] = Clamp255(_mm256_mul_ps(LabFInverse8(fz, cubes[2]), Splat8(kWhiteZ)));
        branches = cubes[0] | cubes[1] << 8 | cubes[2] << 16;
    }
    VELORA_AVX2 __attribute__((always_inline)) static void From(std::uint8_t* p, std::size_t step, __m256 L, __m256 A, __m256 B) {
        __m256 v[3];
        int branches;
        Xyz(L, A, B, v, branches);
        StoreFromXyz8(p, step, v);
    }
};
struct LuvBack {
    // LUVToXYZ's tests as masks (C++'s != holds for NaN, as the unordered comparison does).
    VELORA_AVX2 __attribute__((always_inline)) static void From(std::uint8_t* p, std::size_t step, __m256 L, __m256 U, __m256 V) {
        const __m256 zero = _mm256_setzero_ps(), infinity = Splat8(std::numeric_limits<float>::infinity());
        const __m256 magnitude = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF));
        const __m256 thirteenL = _mm256_mul_ps(Splat8(13), L);
        const __m256 fy = Quotient8(_mm256_add_ps(L, Splat8(16)), 116);
        const __m256 Y = _mm256_mul_ps(Splat8(kWhiteY), LabFInverse8(fy));
        const __m256 u = _mm256_add_ps(_mm256_div_ps(U, thirteenL), Splat8(kWhiteU));
        const __m256 vv = _mm256_add_ps(_mm256_div_ps(V, thirteenL), Splat8(kWhiteV));
        const __m256 divisor = _mm256_sub_ps(_mm256_mul_ps(_mm256_sub_ps(u, Splat8(4)), vv), _mm256_mul_ps(u, vv));
        const __m256 X = _mm256_div_ps(_mm256_mul_ps(_mm256_mul_ps(Splat8(-9), Y), u), divisor);
        const __m256 Z = _mm256_div_ps(_mm256_sub_ps(_mm256_sub_ps(_mm256_mul_ps(Splat8(9), Y), _mm256_mul_ps(_mm256_mul_ps(Splat8(15), vv), Y)),
                                                     _mm256_mul_ps(X, vv)),
                                       _mm256_mul_ps(Splat8(3), vv));
        const __m256 taken = _mm256_and_ps(_mm256_cmp_ps(thirteenL, zero, _CMP_NEQ_UQ),
                                           _mm256_and_ps(_mm256_cmp_ps(vv, zero, _CMP_NEQ_UQ), _mm256_cmp_ps(divisor, zero, _CMP_NEQ_UQ)));
        __m256 v[3] = {X, Y, Z};
        for (__m256& c : v) {
            c = _mm256_and_ps(c, taken);
            c = _mm256_and_ps(c, _mm256_cmp_ps(_mm256_and_ps(c, magnitude), infinity, _CMP_LT_OQ));  // NaN and infinities: 0
        }
        StoreFromXyz8(p, step, v);
    }
};

// ---------------------------------------------------------------- the costly transfers
// The cube root's power, the logarithm and the sigmoids call the library per value, and on
// noise nearly every pixel has a value of its own. A table bounds the library's value
// instead (LibraryTable); the transfer's float operations around the call are monotonic, so
// they carry the bound to the transferred component; the way back carries it to the bytes,
// and where both ends give the same bytes so does the library's value. The rest (one or two
// pixels in a thousand on noise) take the library's call. The ways back of YIQ and YCbCr rise
// with their changed component; XYZ's sums rise or fall with each component by sign, and take
// a corner of the bounds per byte; LAB's X, Y and Z all rise with L, and go on to XYZ's
// corners. LUV's way back divides by L and keeps the library's calls.

// A library function of one float argument (powf with the cube root's exponent, logf, sinf or
// tanf) bounded by a table of chords. Interval k of the arguments, from its left edge y0,
// holds the chord start + slope (y - y0) through the library's values at its two edges, and a
// slack that covers the curve's distance from its chord (its second derivative's largest
// magnitude on the interval times h^2 / 8), the library's own error (an ulp or two; 2^-20 of
// the largest value on the interval covers it with room), and the roundings of the chord's
// floats and of its evaluation in floats (each within 2^-24 of start or slope h, five in all,
// and y - y0, exact but in the interval left of 0, where it is within 2^-35). An interval
// that reaches a pole has infinite slack, and the first interval of the power, whose curve is
// unbounded at 0, holds [0, its right edge's value] instead of a chord. The three fields lie
// in arrays of their own, for gathers of eight.
struct LibraryTable {
    // Intervals by the argument's float bits, (bits - firstBits) >> shift, arguments below the
    // first edge in interval 0; or evenly spaced, floor(y scale) + offset (scale a power of
    // two, so that the product and the edges are exact).
    bool byBits = false;
    float scale = 0;
    std::int32_t offset = 0, firstBits = 0, shift = 0;
    std::vector<float> start, slope, slack;
};

// The table of a costly transfer's library call (function 3 to 6), made on first use.
const LibraryTable& LibraryTableOf(int function);

// A table's fields by value, so that a loop keeps them in registers (the bytes it stores
// could otherwise alias them).
struct LibraryView {
    float scale = 0;
    std::int32_t offset = 0, firstBits = 0, shift = 0, last = 0;
    const float *start = nullptr, *slope = nullptr, *slack = nullptr;
};
inline LibraryView ViewOf(const LibraryTable& t) {
    return {t.scale, t.offset, t.firstBits, t.shift, std::int32_t(t.start.size()) - 1, t.start.data(), t.slope.data(), t.slack.data()};
}

// [chord - slack, chord + slack] of eight arguments, the fields gathered.
template <bool ByBits>
VELORA_AVX2 __attribute__((always_inline)) inline void LibraryBounds(const LibraryView& t, __m256 y, __m256& low, __m256& high) {
    __m256i k;
    __m256 edge;
    if constexpr (ByBits) {
        k = _mm256_srai_epi32(_mm256_sub_epi32(_mm256_castps_si256(y), _mm256_set1_epi32(t.firstBits)), int(t.shift));
        k = _mm256_min_epi32(_mm256_max_epi32(k, _mm256_setzero_si256()), _mm256_set1_epi32(t.last));
        edge = _mm256_castsi256_ps(_mm256_add_epi32(_mm256_sll_epi32(k, _mm_cvtsi32_si128(t.shift)), _mm256_set1_epi32(t.firstBits)));
    } else {
        k = _mm256_add_epi32(_mm256_cvttps_epi32(_mm256_floor_ps(_mm256_mul_ps(y, Splat8(t.scale)))), _mm256_set1_epi32(t.offset));
        k = _mm256_min_epi32(_mm256_max_epi32(k, _mm256_setzero_si256()), _mm256_set1_epi32(t.last));
        edge = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_sub_epi32(k, _mm256_set1_epi32(t.offset))), Splat8(1.0f / t.scale));
    }
    const __m256 chord = _mm256_add_ps(_mm256_i32gather_ps(t.start, k, 4),
                                       _mm256_mul_ps(_mm256_i32gather_ps(t.slope, k, 4), _mm256_sub_ps(y, edge)));
    const __m256 slack = _mm256_i32gather_ps(t.slack, k, 4);
    low = _mm256_sub_ps(chord, slack);
    high = _mm256_add_ps(chord, slack);
}

// What the transfer takes from the library once per operation.
struct CostlyTransfer {
    float alpha;
    float log256;       // std::log(256.0f)
    float denominator;  // SigmoidDenominator (the sigmoids only)
    LibraryView library;
};

template <int Function>
inline CostlyTransfer MakeCostlyTransfer(float alpha) {
    LibraryView library;
    if constexpr (Function >= 3) library = ViewOf(LibraryTableOf(Function));
    float denominator = 1.0f;
    if constexpr (Function >= 5) denominator = SigmoidDenominator<Function>(alpha);
    return {alpha, std::log(256.0f), denominator, library};
}

// Where bounding pays, as measured on noise: every function with a library call.
template <int Function>
inline constexpr bool kBoundsPay = Function >= 3;

// Float lanes with the operations the transfer bounds take.
VELORA_AVX2 inline __m256 Lanes(__m256, float v) { return _mm256_set1_ps(v); }
VELORA_AVX2 inline __m256 Add(__m256 a, __m256 b) { return _mm256_add_ps(a, b); }
VELORA_AVX2 inline __m256 Sub(__m256 a, __m256 b) { return _mm256_sub_ps(a, b); }
VELORA_AVX2 inline __m256 Mul(__m256 a, __m256 b) { return _mm256_mul_ps(a, b); }
VELORA_AVX2 inline __m256 NonZero(__m256 a) { return _mm256_cmp_ps(a, _mm256_setzero_ps(), _CMP_NEQ_UQ); }
VELORA_AVX2 inline __m256 And(__m256 a, __m256 b) { return _mm256_and_ps(a, b); }
VELORA_AVX2 inline __m256 Abs(__m256 a) { return _mm256_andnot_ps(Splat8(-0.0f), a); }
VELORA_AVX2 inline __m256 Quotient(__m256 a, float b) { return Quotient8(a, b); }

// Bounds on the float quotients of [low, high] by d (whose reciprocal is given) without a
// division: the product with the rounded reciprocal lies within 2^-22.9 of the quotient, the
// float quotient within 2^-24 of it, and a margin of 2^-20 holds both.
template <class Floats>
VELORA_AVX2 inline void QuotientBounds(Floats& low, Floats& high, Floats reciprocal, bool negative) {
    Floats a = Mul(low, reciprocal), b = Mul(high, reciprocal);
    if (negative) std::swap(a, b);
    const Floats margin = Lanes(a, 1.0f / 1048576.0f);
    low = Sub(a, Mul(Abs(a), margin));
    high = Add(b, Mul(Abs(b), margin));
}

// Bounds on ModelTransferT<Function>(x, alpha) for eight components, Function 3 to 6:
// the argument of the library's call with the transfer's own float operations, its bounds,
// and the operations after the call on both ends (the final clamp keeps their order).
template <int Function, class Floats>
VELORA_AVX2 __attribute__((always_inline)) inline void TransferBounds(Floats x, const CostlyTransfer& k, Floats& low, Floats& high) {
    static_assert(Function >= 3);
    x = Clamped255(x);  // as ModelTransferT clamps its component first
    if constexpr (Function == 3) {
        // Black's power is 0 exactly, not the first interval's [0, its right edge's value].
        const Floats y = Mul(x, Lanes(x, 65025.0f)), nonzero = NonZero(y);
        LibraryBounds<true>(k.library, y, low, high);
        low = And(low, nonzero);
        high = And(high, nonzero);
    } else if constexpr (Function == 4) {
        LibraryBounds<true>(k.library, Add(x, Lanes(x, 1.0f)), low, high);
        QuotientBounds(low, high, Lanes(x, 1.0f / k.log256), false);
        low = Mul(low, Lanes(x, 255.0f));
        high = Mul(high, Lanes(x, 255.0f));
    } else if (k.alpha == 0.0f) {
        low = high = x;  // the sigmoids' limit
    } else {
        const Floats angle = Mul(Mul(Sub(Quotient(x, 255.0f), Lanes(x, 0.5f)), Lanes(x, k.alpha)), Lanes(x, kTransferPi));
        LibraryBounds<false>(k.library, angle, low, high);
        const Floats scale = Lanes(x, 127.5f);
        low = Mul(low, scale);
        high = Mul(high, scale);
        QuotientBounds(low, high, Lanes(x, 1.0f / k.denominator), k.denominator < 0);
        low = Add(low, scale);
        high = Add(high, scale);
    }
    low = Clamp255(low);  // keeps the order
    high = Clamp255(high);
}

// ---------------------------------------------------------------- wider bounds, less work
// For the logarithm and the sigmoids, the row loops first try bounds that cost fewer
// operations and hold every lane to one width: polynomials of the whole transfer of x instead
// of the library's chord and the operations around it. They are wider than TransferBounds',
// so a few more groups stay open, and those take TransferBounds. (The power's chords, read as
// one gather of start and slope and widened by the table's largest slack, measured no faster
// than their exact bounds; its logarithm and exponential in polynomials, slower.) Below,
// u = 2^-24, and m = 2^-20 is the library's margin (as the tables').
//
// The logarithm's bound. Its argument y = x + 1 is the scalar's own float. y = 2^e w with w in
// [sqrt(1/2), sqrt(2)) (exact), log w = 2 atanh(s), s = (w - 1) / (w + 1) within 2.01 u of its
// value relative (|s| below 0.1716), and the series to s^9 (remainder below 0.02 u) with its
// Horner steps and the last sum errs by 3.5 u |log w| at most; e log 2 in two parts adds the
// last rounding, u |log y|: within 16 u of log y in all. With K = 255 / log(256) (the float's),
// the scalar's division and product round within 2.01 u |s K|, the product here (with K's
// float) within 2 u |P K|, and the bounds' difference and sum within u 256 each:
//   logarithm: K (16 u + m log 256) + 4.01 u 255 + 512 u.
//
// The sigmoids' bound. ModelTransferT's angle t, four roundings from x, lies within
// 2.51 u a pi of the real (x / 255 - 0.5) a pi (pi the float of 3.1415926535), and the angle
// here, x A + B fused with A and B the floats of a pi / 255 and -a pi / 2, within 2 u a pi of
// it: 4.6 u a pi from t.
// On angles up to top in magnitude (z = top^2), the polynomials' Horner steps and float
// coefficients err by (n + 1.01) u times the sum of their terms' magnitudes (qs(z), qc(z)),
// the squares and products by u each: the sine's value is within Es = u (1.01 + 14 qs top^3)
// of the sine (relative: u (1.01 + 14 qs top^3 / sin top)), the cosine's within
// Ec = u (1.01 + 16 qc z) (relative: Ec / cos top); Taylor's remainders are below 2^-30 u.
// With K = 127.5 / d (d the float denominator), the scalar's three operations after the call
// round within 2.01 u |s K| + u 256, the product and sum here within u |P K| + u 256, and the
// bounds' own difference and sum within u 256 each:
//   sine:    K (4.6 u a pi + Es) + S (m + 3.01 u) + 1024 u, S = 127.5 sin(top) / d,
//   tangent: K (1 + tan(top)^2) 4.6 u a pi + T (m + 1.0001 r + 3.01 u) + 1024 u,
//            T = 127.5 tan(top) / d, r the quotient's relative error (both relative errors
//            and the division's u).
// The final clamp moves no value farther away.
struct FastTransfer {
    bool usable = false;
    float width = 0;                        // every lane's half-width
    float factor = 0;                       // K
    float angleScale = 0, angleOffset = 0;  // the angle: x angleScale + angleOffset
};

// log 2 in two parts for the logarithm's e log 2: the first in steps of 2^-16, so that its
// products by e (up to 8) are exact.
inline constexpr float kLog2High = 0.693145751953125f;
inline constexpr float kLog2Low = float(0.6931471805599453 - 0.693145751953125);

// Lanes wider than this leave too many pixels open to pay.
inline constexpr double kWidestFast = 0x1p-9;

template <int Function>
inline FastTransfer MakeFastTransfer(const CostlyTransfer& k) {
    constexpr double u = 0x1p-24, m = 0x1p-20;
    FastTransfer f;
    if constexpr (Function == 4) {
        const double K = 255.0 / double(k.log256);
        f.factor = float(K);
        f.width = std::nextafter(float((K * (16 * u + m * std::log(256.0)) + 4.01 * u * 255 + 512 * u) * (1 + 0x1p-20)),
                                 std::numeric_limits<float>::infinity());
        f.usable = true;
        return f;
    }
    if (Function < 5 || k.alpha == 0.0f) return f;  // the limit x: the plain way
    const double api = double(k.alpha) * double(kTransferPi), d = double(k.denominator);
    const double K = 127.5 / d;
    const double top = api / 2 * (1 + 0x1p-20) + 0x1p-20;
    if (top >= (Function == 5 ? 1.6 : 1.55)) return f;  // the polynomials' range; the tangent's pole
    const double z = top * top;
    const double qs = 1.0 / 6 + z * (1.0 / 120 + z * (1.0 / 5040 + z * (1.0 / 362880 + z * (1.0 / 39916800 + z / 6227020800.0))));
    const double es = u * (1.01 + 14 * qs * top * z);
    double width = 0;
    if constexpr (Function == 5) {
        width = K * (4.6 * u * api + es) + 127.5 * std::sin(top) / d * (m + 3.01 * u) + 1024 * u;
    } else {
        const double qc = 0.5 + z * (1.0 / 24 + z * (1.0 / 720 + z * (1.0 / 40320 + z * (1.0 / 3628800 + z * (1.0 / 479001600 + z / 87178291200.0)))));
        const double ec = u * (1.01 + 16 * qc * z);
        const double r = u * (1.01 + 14 * qs * z * top / std::sin(top)) + ec / std::cos(top) + 1.01 * u;
        const double t = std::tan(top);
        width = K * (1 + t * t) * 4.6 * u * api + 127.5 * t / d * (m + 1.0001 * r + 3.01 * u) + 1024 * u;
    }
    width *= 1 + 0x1p-20;
    if (!(width <= kWidestFast)) return f;
    f.factor = float(K);
    f.angleScale = float(api / 255);
    f.angleOffset = float(-api / 2);
    f.width = std::nextafter(float(width), std::numeric_limits<float>::infinity());
    f.usable = true;
    return f;
}

// The sine and cosine of eight angles (|angle| up to 1.6) by their Taylor polynomials.
VELORA_AVX2 __attribute__((always_inline)) inline __m256 SinePolynomial(__m256 a, __m256 z) {
    __m256 q = Splat8(float(1.0 / 6227020800.0));
    q = _mm256_fmadd_ps(q, z, Splat8(float(-1.0 / 39916800.0)));
    q = _mm256_fmadd_ps(q, z, Splat8(float(1.0 / 362880.0)));
    q = _mm256_fmadd_ps(q, z, Splat8(float(-1.0 / 5040.0)));
    q = _mm256_fmadd_ps(q, z, Splat8(float(1.0 / 120.0)));
    q = _mm256_fmadd_ps(q, z, Splat8(float(-1.0 / 6.0)));
    return _mm256_fmadd_ps(_mm256_mul_ps(a, z), q, a);
}
VELORA_AVX2 __attribute__((always_inline)) inline __m256 CosinePolynomial(__m256 z) {
    __m256 q = Splat8(float(-1.0 / 87178291200.0));
    q = _mm256_fmadd_ps(q, z, Splat8(float(1.0 / 479001600.0)));
    q = _mm256_fmadd_ps(q, z, Splat8(float(-1.0 / 3628800.0)));
    q = _mm256_fmadd_ps(q, z, Splat8(float(1.0 / 40320.0)));
    q = _mm256_fmadd_ps(q, z, Splat8(float(-1.0 / 720.0)));
    q = _mm256_fmadd_ps(q, z, Splat8(float(1.0 / 24.0)));
    q = _mm256_fmadd_ps(q, z, Splat8(-0.5f));
    return _mm256_fmadd_ps(z, q, Splat8(1.0f));
}

// ModelTransferT<Function>(x, alpha) of eight components (the logarithm and the sigmoids)
// within f.width of the result, clamped as there.
template <int Function>
VELORA_AVX2 __attribute__((always_inline)) inline __m256 FastTransferred(__m256 x, const FastTransfer& f) {
    static_assert(Function >= 4);
    if constexpr (Function == 4) {
        const __m256 y = _mm256_add_ps(Clamped255(x), Splat8(1.0f));  // 1 to 256
        const __m256i bits = _mm256_castps_si256(y);
        __m256 w = _mm256_castsi256_ps(_mm256_or_si256(_mm256_and_si256(bits, _mm256_set1_epi32(0x007FFFFF)), _mm256_set1_epi32(0x3F800000)));
        __m256 e = _mm256_cvtepi32_ps(_mm256_sub_epi32(_mm256_srli_epi32(bits, 23), _mm256_set1_epi32(127)));
        const __m256 high = _mm256_cmp_ps(w, Splat8(1.41421356f), _CMP_GE_OQ);
        w = _mm256_blendv_ps(w, _mm256_mul_ps(w, Splat8(0.5f)), high);
        e = _mm256_add_ps(e, _mm256_and_ps(high, Splat8(1.0f)));
        const __m256 s = _mm256_div_ps(_mm256_sub_ps(w, Splat8(1.0f)), _mm256_add_ps(w, Splat8(1.0f)));
        const __m256 z = _mm256_mul_ps(s, s), twice = _mm256_add_ps(s, s);
        __m256 q = _mm256_fmadd_ps(Splat8(1.0f / 9), z, Splat8(1.0f / 7));
        q = _mm256_fmadd_ps(q, z, Splat8(1.0f / 5));
        q = _mm256_fmadd_ps(q, z, Splat8(1.0f / 3));
        const __m256 logw = _mm256_fmadd_ps(_mm256_mul_ps(twice, z), q, twice);
        const __m256 log = _mm256_fmadd_ps(e, Splat8(kLog2High), _mm256_fmadd_ps(e, Splat8(kLog2Low), logw));
        return Clamped255(_mm256_mul_ps(log, Splat8(f.factor)));
    }
    const __m256 angle = _mm256_fmadd_ps(Clamped255(x), Splat8(f.angleScale), Splat8(f.angleOffset));
    const __m256 z = _mm256_mul_ps(angle, angle);
    __m256 call = SinePolynomial(angle, z);
    if constexpr (Function == 6) call = _mm256_div_ps(call, CosinePolynomial(z));
    return Clamped255(_mm256_fmadd_ps(call, Splat8(f.factor), Splat8(127.5f)));
}

// Bounds f.width wide on each side of FastTransferred.
template <int Function>
VELORA_AVX2 __attribute__((always_inline)) inline void FastBounds(__m256 x, const FastTransfer& f, __m256& low, __m256& high) {
    const __m256 mid = FastTransferred<Function>(x, f), width = Splat8(f.width);
    low = Clamp255(_mm256_sub_ps(mid, width));  // keeps the order
    high = Clamp255(_mm256_add_ps(mid, width));
}

// A bit for each lane whose two values agree.
VELORA_AVX2 inline int SameLanes(__m256i a, __m256i b) { return _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(a, b))); }
VELORA_AVX2 inline void StorePixelsOf(std::uint8_t* p, std::size_t step, __m256i red, __m256i green, __m256i blue) {
    StorePixels8(p, step, red, green, blue);
}
VELORA_AVX2 inline void StorePixelsOf(std::uint8_t* p, std::size_t step, __m128i red, __m128i green, __m128i blue) {
    StorePixels4(p, step, red, green, blue);
}

// Stores the pixels of a group whose bit in settled is set (all of them at once, as is usual);
// returns a bit for each of the others.
template <int Pixels, class Ints>
VELORA_AVX2 inline int StoreSettledPixels(std::uint8_t* p, std::size_t step, int settled, Ints red, Ints green, Ints blue) {
    constexpr int kAll = (1 << Pixels) - 1;
    if (settled == kAll) {
        StorePixelsOf(p, step, red, green, blue);
        return 0;
    }
    std::uint8_t bytes[4 * Pixels];
    std::memcpy(bytes, p, std::size_t(Pixels) * step);
    StorePixelsOf(bytes, step, red, green, blue);
    for (int i = 0; i < Pixels; ++i)
        if ((settled >> i) & 1) std::memcpy(p + std::size_t(i) * step, bytes + std::size_t(i) * step, 3);
    return ~settled & kAll;
}

// The way back of a group from both ends of its components' bounds, for a model whose bytes
// rise with each changed component: pixels whose bytes agree are stored; returns a bit for
// each of the others.
template <class Lanes>
VELORA_AVX2 inline int StoreSettledRising(std::uint8_t* p, std::size_t step, const typename Lanes::Floats* low,
                                          const typename Lanes::Floats* high) {
    typename Lanes::Ints red, green, blue, redHigh, greenHigh, blueHigh;
    Lanes::Channels(low, red, green, blue);
    Lanes::Channels(high, redHigh, greenHigh, blueHigh);
    const int settled = SameLanes(red, redHigh) & SameLanes(green, greenHigh) & SameLanes(blue, blueHigh);
    return StoreSettledPixels<Lanes::kPixels>(p, step, settled, red, green, blue);
}

// XYZToRGB's way back from bounds on X, Y and Z (range 1): each byte's sum rises or falls with
// each component by its coefficient's sign, so each end of a byte takes its own corner of the
// bounds. Pixels whose ends agree are stored; returns a bit for each of the others.
VELORA_AVX2 __attribute__((always_inline)) inline int StoreSettledXyz(std::uint8_t* p, std::size_t step, const __m128* low, const __m128* high) {
    __m256d xl, yl, zl, xh, yh, zh;
    XyzUnitsOf(low[0], low[1], low[2], xl, yl, zl);
    XyzUnitsOf(high[0], high[1], high[2], xh, yh, zh);
    const __m128i red = XyzRed(xl, yh, zh), green = XyzGreen(xh, yl, zl), blue = XyzBlue(xl, yh, zl);
    const __m128i same = _mm_and_si128(_mm_and_si128(_mm_cmpeq_epi32(red, XyzRed(xh, yl, zl)),
                                                     _mm_cmpeq_epi32(green, XyzGreen(xl, yh, zh))),
                                       _mm_cmpeq_epi32(blue, XyzBlue(xh, yl, zh)));
    return StoreSettledPixels<4>(p, step, _mm_movemask_ps(_mm_castsi128_ps(same)), red, green, blue);
}

// StoreSettledXyz for eight pixels, in floats first: each byte's ends, the low one less its
// sum's bound and the high one plus it, hold the doubles' ends, so where they give one byte
// (and nothing was NaN) the doubles do too. A half with a pixel left open takes the doubles.
VELORA_AVX2 __attribute__((always_inline)) inline int StoreSettledXyz8(std::uint8_t* p, std::size_t step, const __m256* low,
                                                                       const __m256* high) {
    __m256i red, green, blue;
    const int settled = XyzFloatBytes(low, high, red, green, blue);
    if (settled == 0xFF) {
        StorePixels8(p, step, red, green, blue);
        return 0;
    }
    int open = 0;
    for (int half = 0; half < 2; ++half) {
        std::uint8_t* four = p + std::size_t(4 * half) * step;
        if (((settled >> (4 * half)) & 0xF) == 0xF) {
            StorePixels4(four, step, HalfOf(red, half), HalfOf(green, half), HalfOf(blue, half));
            continue;
        }
        const __m128 lowHalf[3] = {HalfOf(low[0], half), HalfOf(low[1], half), HalfOf(low[2], half)};
        const __m128 highHalf[3] = {HalfOf(high[0], half), HalfOf(high[1], half), HalfOf(high[2], half)};
        open |= StoreSettledXyz(four, step, lowHalf, highHalf) << (4 * half);
    }
    return open;
}

// ---------------------------------------------------------------- whole conversions
// The models whose conversions take no library call either way, on a group of pixels at a
// time: To gives the components ToModel gives (range 1), From stores the pixels FromModel
// gives for components. kChanged: how many components, from the first, the operations change.

// (k[0] a + k[1] b) + k[2] c in floats, in that order.
VELORA_AVX2 inline __m256 Sum3Floats(const float* k, __m256 a, __m256 b, __m256 c) {
    return _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(Splat8(k[0]), a), _mm256_mul_ps(Splat8(k[1]), b)), _mm256_mul_ps(Splat8(k[2]), c));
}
// (y + k[0] a) + k[1] b in floats, in that order.
VELORA_AVX2 inline __m256 PlusSum2(__m256 y, const float* k, __m256 a, __m256 b) {
    return _mm256_add_ps(_mm256_add_ps(y, _mm256_mul_ps(Splat8(k[0]), a)), _mm256_mul_ps(Splat8(k[1]), b));
}

struct YiqLanes {
    static constexpr int kModel = kModelYIQ, kPixels = 8, kChanged = 1;
    using Floats = __m256;
    VELORA_AVX2 __attribute__((always_inline)) static void To(const std::uint8_t* p, std::size_t step, Floats* v) {
        __m256i R, G, B;
        LoadChannels8(p, step, R, G, B);
        const __m256 r = ByteUnits(R), g = ByteUnits(G), b = ByteUnits(B);
        const __m256 Y = Sum3Floats(kYiqOfRgb[0], r, g, b), I = Sum3Floats(kYiqOfRgb[1], r, g, b);
        const __m256 Q = Sum3Floats(kYiqOfRgb[2], r, g, b);
        v[0] = _mm256_mul_ps(Y, Splat8(255));
        v[1] = _mm256_add_ps(_mm256_mul_ps(I, Splat8(255)), Splat8(128));
        v[2] = _mm256_add_ps(_mm256_mul_ps(Q, Splat8(255)), Splat8(128));
    }
    using Ints = __m256i;
    VELORA_AVX2 static void Channels(const Floats* v, Ints& red, Ints& green, Ints& blue) {
        const __m256 y = v[0], i = _mm256_sub_ps(v[1], Splat8(128)), q = _mm256_sub_ps(v[2], Splat8(128));
        red = ClampTruncate8(PlusSum2(y, kRgbOfIq[0], i, q));
        green = ClampTruncate8(PlusSum2(y, kRgbOfIq[1], i, q));
        blue = ClampTruncate8(PlusSum2(y, kRgbOfIq[2], i, q));
    }
    VELORA_AVX2 __attribute__((always_inline)) static void From(std::uint8_t* p, std::size_t step, const Floats* v) {
        Ints red, green, blue;
        Channels(v, red, green, blue);
        StorePixels8(p, step, red, green, blue);
    }
};

struct YCbCrLanes {
    static constexpr int kModel = kModelYCbCr, kPixels = 8, kChanged = 1;
    using Floats = __m256;
    using Ints = __m256i;
    // Two halves of four in doubles.
    VELORA_AVX2 __attribute__((always_inline)) static void To(const std::uint8_t* p, std::size_t step, Floats* v) {
        __m128 halves[2][3];
        for (int half = 0; half < 2; ++half) {
            __m256d R, G, B;
            LoadPixels4(p + std::size_t(4 * half) * step, step, R, G, B);
            const YCbCrCoefficients& k = kYCbCr;
            const __m256d Y = Sum3(k.yRed, R, k.yGreen, G, k.yBlue, B);
            const __m256d Cb = _mm256_sub_pd(_mm256_mul_pd(Splat(k.chroma), B), _mm256_add_pd(_mm256_mul_pd(Splat(k.cbGreen), G), _mm256_mul_pd(Splat(k.cbRed), R)));
            const __m256d Cr = _mm256_sub_pd(_mm256_sub_pd(_mm256_mul_pd(Splat(k.chroma), R), _mm256_mul_pd(Splat(k.crGreen), G)), _mm256_mul_pd(Splat(k.crBlue), B));
            halves[half][0] = _mm256_cvtpd_ps(_mm256_sub_pd(_mm256_mul_pd(_mm256_add_pd(Y, Splat(16)), Splat(k.yStretch)), Splat(k.yShift)));
            halves[half][1] = _mm256_cvtpd_ps(_mm256_sub_pd(_mm256_mul_pd(_mm256_add_pd(Cb, Splat(128)), Splat(k.cStretch)), Splat(k.cShift)));
            halves[half][2] = _mm256_cvtpd_ps(_mm256_sub_pd(_mm256_mul_pd(_mm256_add_pd(Cr, Splat(128)), Splat(k.cStretch)), Splat(k.cShift)));
        }
        for (int c = 0; c < 3; ++c) v[c] = _mm256_set_m128(halves[1][c], halves[0][c]);
    }
    // YCbCrToRGB's bytes of four pixels, in doubles as it takes them.
    VELORA_AVX2 __attribute__((always_inline)) static void Channels4(__m128 v0, __m128 v1, __m128 v2, __m128i& red, __m128i& green,
                                                                     __m128i& blue) {
        const __m256d y = _mm256_add_pd(Quotient4(_mm256_mul_pd(_mm256_cvtps_pd(v0), Splat(219)), 255), Splat(16));
        const __m256d cb = _mm256_sub_pd(_mm256_add_pd(Quotient4(_mm256_mul_pd(_mm256_cvtps_pd(v1), Splat(224)), 255), Splat(16)), Splat(128));
        const __m256d cr = _mm256_sub_pd(_mm256_add_pd(Quotient4(_mm256_mul_pd(_mm256_cvtps_pd(v2), Splat(224)), 255), Splat(16)), Splat(128));
        const YCbCrCoefficients& k = kYCbCr;
        const __m256d luma = _mm256_mul_pd(Splat(k.luma), _mm256_sub_pd(y, Splat(16)));
        red = ClampTruncate4(_mm256_add_pd(luma, _mm256_mul_pd(Splat(k.redCr), cr)));
        green = ClampTruncate4(_mm256_sub_pd(_mm256_sub_pd(luma, _mm256_mul_pd(Splat(k.greenCb), cb)), _mm256_mul_pd(Splat(k.greenCr), cr)));
        blue = ClampTruncate4(_mm256_add_pd(luma, _mm256_mul_pd(Splat(k.blueCb), cb)));
    }
    // YCbCrToRGB's bytes of eight pixels, in floats first: each byte's sum, a v0 + b v1 + c v2 + d
    // with the real coefficients of the doubles' steps, lies within 2^-13 of the doubles' for
    // components within [-256, 256] (the coefficients' roundings and the five operations',
    // each within 2^-24 of a term or partial sum: under 1,900 such ulps for blue, the most);
    // where the sum less and plus 2^-10 gives one byte, it is the doubles' byte. A half with
    // another lane takes the doubles.
    VELORA_AVX2 __attribute__((always_inline)) static void Channels(const Floats* v, Ints& red, Ints& green, Ints& blue) {
        const YCbCrCoefficients& k = kYCbCr;
        constexpr double kLuma = kYCbCr.luma * 219 / 255, kChroma = 224.0 / 255;
        const __m256 luma = _mm256_mul_ps(Splat8(float(kLuma)), v[0]);
        const __m256 redSum = _mm256_add_ps(luma, _mm256_fmadd_ps(Splat8(float(k.redCr * kChroma)), v[2], Splat8(float(-k.redCr * 112))));
        const __m256 greenSum = _mm256_add_ps(
            luma, _mm256_fmadd_ps(Splat8(float(-k.greenCb * kChroma)), v[1],
                                  _mm256_fmadd_ps(Splat8(float(-k.greenCr * kChroma)), v[2], Splat8(float((k.greenCb + k.greenCr) * 112)))));
        const __m256 blueSum = _mm256_add_ps(luma, _mm256_fmadd_ps(Splat8(float(k.blueCb * kChroma)), v[1], Splat8(float(-k.blueCb * 112))));
        const __m256 margin = Splat8(0x1p-10f), limit = Splat8(256);
        __m256 settled = _mm256_and_ps(_mm256_and_ps(_mm256_cmp_ps(Abs(v[0]), limit, _CMP_LE_OQ), _mm256_cmp_ps(Abs(v[1]), limit, _CMP_LE_OQ)),
                                       _mm256_cmp_ps(Abs(v[2]), limit, _CMP_LE_OQ));
        red = ClampTruncate8(_mm256_sub_ps(redSum, margin));
        green = ClampTruncate8(_mm256_sub_ps(greenSum, margin));
        blue = ClampTruncate8(_mm256_sub_ps(blueSum, margin));
        settled = _mm256_and_ps(settled, _mm256_castsi256_ps(_mm256_cmpeq_epi32(red, ClampTruncate8(_mm256_add_ps(redSum, margin)))));
        settled = _mm256_and_ps(settled, _mm256_castsi256_ps(_mm256_cmpeq_epi32(green, ClampTruncate8(_mm256_add_ps(greenSum, margin)))));
        settled = _mm256_and_ps(settled, _mm256_castsi256_ps(_mm256_cmpeq_epi32(blue, ClampTruncate8(_mm256_add_ps(blueSum, margin)))));
        const int lanes = _mm256_movemask_ps(settled);
        if (lanes == 0xFF) return;
        __m128i r[2] = {HalfOf(red, 0), HalfOf(red, 1)}, g[2] = {HalfOf(green, 0), HalfOf(green, 1)};
        __m128i b[2] = {HalfOf(blue, 0), HalfOf(blue, 1)};
        for (int half = 0; half < 2; ++half)
            if (((lanes >> (4 * half)) & 0xF) != 0xF)
                Channels4(HalfOf(v[0], half), HalfOf(v[1], half), HalfOf(v[2], half), r[half], g[half], b[half]);
        red = _mm256_set_m128i(r[1], r[0]);
        green = _mm256_set_m128i(g[1], g[0]);
        blue = _mm256_set_m128i(b[1], b[0]);
    }
    VELORA_AVX2 __attribute__((always_inline)) static void From(std::uint8_t* p, std::size_t step, const Floats* v) {
        Ints red, green, blue;
        Channels(v, red, green, blue);
        StorePixels8(p, step, red, green, blue);
    }
};

// (ka a + kb b) + kc c in floats, the last two steps fused.
VELORA_AVX2 inline __m256 FusedSum3(float ka, __m256 a, float kb, __m256 b, float kc, __m256 c) {
    return _mm256_fmadd_ps(Splat8(kc), c, _mm256_fmadd_ps(Splat8(kb), b, _mm256_mul_ps(Splat8(ka), a)));
}

struct XyzLanes {
    static constexpr int kModel = kModelCIEXYZ, kPixels = 8, kChanged = 3;
    using Floats = __m256;
    using Ints = __m256i;
    // Two halves of four in doubles.
    VELORA_AVX2 __attribute__((always_inline)) static void To(const std::uint8_t* p, std::size_t step, Floats* v) {
        __m128 halves[2][3];
        for (int half = 0; half < 2; ++half) {
            __m256d r, g, b;
            UnitChannels4(p + std::size_t(4 * half) * step, step, r, g, b);
            const auto& k = kXyzOfRgb;
            halves[half][0] = _mm256_cvtpd_ps(_mm256_mul_pd(Sum3(k[0][0], r, k[0][1], g, k[0][2], b), Splat(255.0)));
            halves[half][1] = _mm256_cvtpd_ps(_mm256_mul_pd(Sum3(k[1][0], r, k[1][1], g, k[1][2], b), Splat(255.0)));
            halves[half][2] = _mm256_cvtpd_ps(
                _mm256_mul_pd(_mm256_mul_pd(Sum3(k[2][0], r, k[2][1], g, k[2][2], b), Splat(kXyzZScale)), Splat(255.0)));
        }
        for (int c = 0; c < 3; ++c) v[c] = _mm256_set_m128(halves[1][c], halves[0][c]);
    }
    VELORA_AVX2 __attribute__((always_inline)) static void From(std::uint8_t* p, std::size_t step, const Floats* v) { StoreFromXyz8(p, step, v); }
    // The equalization's bins of X, Y and Z (the clamped component truncated), which is all it
    // takes of them: k_r R + k_g G + k_b B of the bytes in fused floats (the scale of 255 is
    // folded in, and Z's factor into its coefficients), then To's doubles where a float sum
    // lies within 2^-11 of a whole number. Against the doubles' float component a float sum is
    // off by its coefficients' roundings, its three roundings (each within 2^-24 of at most
    // 1.1 times 255: 2^-16), the doubles' own float(byte / 255) (2^-16 in all) and the
    // component's half ulp (2^-17): below 2^-13.
    VELORA_AVX2 __attribute__((always_inline)) static void Bins(const std::uint8_t* p, std::size_t step, Ints* bins) {
        __m256i R, G, B;
        LoadChannels8(p, step, R, G, B);
        const __m256 r = _mm256_cvtepi32_ps(R), g = _mm256_cvtepi32_ps(G), b = _mm256_cvtepi32_ps(B);
        const auto& k = kXyzOfRgb;
        constexpr double kZ = kXyzZScale;
        const __m256 margin = Splat8(0x1p-11f);
        const __m256 sums[3] = {FusedSum3(float(k[0][0]), r, float(k[0][1]), g, float(k[0][2]), b),
                                FusedSum3(float(k[1][0]), r, float(k[1][1]), g, float(k[1][2]), b),
                                FusedSum3(float(k[2][0] * kZ), r, float(k[2][1] * kZ), g, float(k[2][2] * kZ), b)};
        __m256i same = _mm256_set1_epi32(-1);
        for (int c = 0; c < 3; ++c) {
            bins[c] = ClampTruncate8(_mm256_sub_ps(sums[c], margin));
            same = _mm256_and_si256(same, _mm256_cmpeq_epi32(bins[c], ClampTruncate8(_mm256_add_ps(sums[c], margin))));
        }
        if (_mm256_movemask_epi8(same) == -1) return;
        Floats v[3];
        To(p, step, v);
        for (int c = 0; c < 3; ++c) bins[c] = ClampTruncate8(v[c]);
    }
};

// Lanes of floats gathered from table[index[k]].
VELORA_AVX2 inline __m256 GatherLanes(const float* table, const std::uint32_t* index, __m256) {
    return _mm256_i32gather_ps(table, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(index)), 4);
}
// The bins of EqualizeBin: the clamped component truncated.
VELORA_AVX2 inline __m256i BinLanes(__m256 v) { return ClampTruncate8(v); }
VELORA_AVX2 inline __m256 GatherBins(const float* table, __m256 v) { return _mm256_i32gather_ps(table, BinLanes(v), 4); }

// What the operations do to the changed components between To and From.
template <class Lanes, int Function>
struct TransferChange {  // the non-linear function
    LaneTransfer<Function> transfer;
    VELORA_AVX2 void operator()(typename Lanes::Floats* v, std::size_t) const {
        for (int c = 0; c < Lanes::kChanged; ++c) v[c] = transfer(v[c]);
    }
};
template <class Lanes>
struct RankChange {  // the function's value for each component's rank among the distinct values
    const float* const* newValue;
    const std::uint32_t* const* rank;
    VELORA_AVX2 void operator()(typename Lanes::Floats* v, std::size_t at) const {
        for (int c = 0; c < Lanes::kChanged; ++c) v[c] = GatherLanes(newValue[c], rank[c] + at, v[c]);
    }
};
template <class Lanes>
struct LevelChange {  // equalization: the level of each component's bin
    const float (*levels)[256];
    VELORA_AVX2 void operator()(typename Lanes::Floats* v, std::size_t) const {
        for (int c = 0; c < Lanes::kChanged; ++c) v[c] = GatherBins(levels[c], v[c]);
    }
};

// To, change, From over the whole groups of a row from pixel index `at`; returns how many
// pixels it did.
template <class Lanes, class Change>
VELORA_AVX2 std::int32_t ModelLanesRow(std::uint8_t* p, std::size_t step, std::int32_t width, std::size_t at,
                                       const Change& change) {
    std::int32_t x = 0;
    // Two groups side by side: one group's chain of dependent steps is long.
    for (; x + 2 * Lanes::kPixels <= width;
         x += 2 * Lanes::kPixels, p += 2 * Lanes::kPixels * step, at += 2 * Lanes::kPixels) {
        typename Lanes::Floats v[3], w[3];
        Lanes::To(p, step, v);
        Lanes::To(p + Lanes::kPixels * step, step, w);
        change(v, at);
        change(w, at + Lanes::kPixels);
        Lanes::From(p, step, v);
        Lanes::From(p + Lanes::kPixels * step, step, w);
    }
    for (; x + Lanes::kPixels <= width; x += Lanes::kPixels, p += Lanes::kPixels * step, at += Lanes::kPixels) {
        typename Lanes::Floats v[3];
        Lanes::To(p, step, v);
        change(v, at);
        Lanes::From(p, step, v);
    }
    return x;
}

// Component c (range 1) of a row's whole groups into out; returns how many pixels it did.
template <class Lanes>
VELORA_AVX2 std::int32_t ComponentRow(const std::uint8_t* p, std::size_t step, std::int32_t width, int c, float* out) {
    std::int32_t x = 0;
    for (; x + Lanes::kPixels <= width; x += Lanes::kPixels, p += Lanes::kPixels * step) {
        typename Lanes::Floats v[3];
        Lanes::To(p, step, v);
        _mm256_storeu_ps(out + x, v[c]);
    }
    return x;
}

// Equalization counts kept in kBinCopies interleaved copies of each component's 256 bins,
// pixel k of a group counting in copy k % kBinCopies: neighbours in the same bin (most are,
// in a smooth picture) then do not wait on each other's increments.
inline constexpr int kBinCopies = 4;

// The equalization bins of a group's changed components: the model's own where it has them,
// else To's components clamped and truncated.
template <class Lanes>
VELORA_AVX2 __attribute__((always_inline)) inline void BinsOf(const std::uint8_t* p, std::size_t step, typename Lanes::Ints* bins) {
    if constexpr (requires { Lanes::Bins(p, step, bins); }) {
        Lanes::Bins(p, step, bins);
    } else {
        typename Lanes::Floats v[3];
        Lanes::To(p, step, v);
        for (int c = 0; c < Lanes::kChanged; ++c) bins[c] = BinLanes(v[c]);
    }
}

// Adds the bins of one group's changed components to copies (kBinCopies x 256 a component).
template <class Lanes>
VELORA_AVX2 inline void CountGroupBins(const typename Lanes::Ints* groupBins, std::uint32_t* copies) {
    for (int c = 0; c < Lanes::kChanged; ++c) {
        alignas(32) std::int32_t bins[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(bins), groupBins[c]);
        std::uint32_t* counts = copies + std::size_t(c) * kBinCopies * 256;
#pragma GCC unroll 8
        for (int k = 0; k < Lanes::kPixels; ++k) ++counts[std::size_t((k % kBinCopies) * 256 + bins[k])];
    }
}

// Adds the equalization bins of the changed components of a row's whole groups to copies;
// returns how many pixels it did.
// KeepBins (XYZ): each pixel's three bins also replace its bytes, bin c in byte c, for
// LeveledKeptBinsRow.
template <class Lanes, bool KeepBins = false>
VELORA_AVX2 std::int32_t CountBinsRow(std::uint8_t* p, std::size_t step, std::int32_t width, std::uint32_t* copies) {
    std::int32_t x = 0;
    // XYZ: two groups' bins side by side, then their counts (the models with one counted
    // component took longer so, measured in turn).
    for (; Lanes::kChanged == 3 && x + 2 * Lanes::kPixels <= width; x += 2 * Lanes::kPixels, p += 2 * Lanes::kPixels * step) {
        typename Lanes::Ints bins[2][3];
        BinsOf<Lanes>(p, step, bins[0]);
        BinsOf<Lanes>(p + Lanes::kPixels * step, step, bins[1]);
        CountGroupBins<Lanes>(bins[0], copies);
        CountGroupBins<Lanes>(bins[1], copies);
        if constexpr (KeepBins)
            for (int g = 0; g < 2; ++g) StorePixels8(p + std::size_t(8 * g) * step, step, bins[g][2], bins[g][1], bins[g][0]);
    }
    static_assert(!KeepBins || Lanes::kChanged == 3);
    for (; x + Lanes::kPixels <= width; x += Lanes::kPixels, p += Lanes::kPixels * step) {
        typename Lanes::Ints bins[3];
        BinsOf<Lanes>(p, step, bins);
        CountGroupBins<Lanes>(bins, copies);
        if constexpr (KeepBins) StorePixels8(p, step, bins[2], bins[1], bins[0]);
    }
    return x;
}

// The equalization's way back over a row's whole groups for a model whose components all
// change (XYZ): each takes its bin's level, so the bins that CountBinsRow kept in the pixels'
// bytes are all it needs of them. Returns how many pixels it did.
template <class Lanes>
VELORA_AVX2 std::int32_t LeveledKeptBinsRow(std::uint8_t* p, std::size_t step, std::int32_t width, const float (*levels)[256]) {
    static_assert(Lanes::kChanged == 3 && Lanes::kPixels == 8);
    std::int32_t x = 0;
    for (; x + 8 <= width; x += 8, p += 8 * step) {
        __m256i bins[3];
        LoadChannels8(p, step, bins[2], bins[1], bins[0]);
        __m256 v[3];
        for (int c = 0; c < 3; ++c) v[c] = _mm256_i32gather_ps(levels[c], bins[c], 4);
        Lanes::From(p, step, v);
    }
    return x;
}

// The three floats of each of eight pixels (24 floats) as three lanes of eight: three loads,
// blends and a permutation each, which the next step waits on less than on gathers.
VELORA_AVX2 inline void Deinterleave3(const float* in, __m256& first, __m256& second, __m256& third) {
    const __m256 m0 = _mm256_loadu_ps(in), m1 = _mm256_loadu_ps(in + 8), m2 = _mm256_loadu_ps(in + 16);
    const __m256 x = _mm256_blend_ps(_mm256_blend_ps(m0, m1, 0x92), m2, 0x24);  // 0 3 6 1 4 7 2 5
    const __m256 y = _mm256_blend_ps(_mm256_blend_ps(m0, m1, 0x24), m2, 0x49);  // 5 0 3 6 1 4 7 2
    const __m256 z = _mm256_blend_ps(_mm256_blend_ps(m0, m1, 0x49), m2, 0x92);  // 2 5 0 3 6 1 4 7
    first = _mm256_permutevar8x32_ps(x, _mm256_setr_epi32(0, 3, 6, 1, 4, 7, 2, 5));
    second = _mm256_permutevar8x32_ps(y, _mm256_setr_epi32(1, 4, 7, 2, 5, 0, 3, 6));
    third = _mm256_permutevar8x32_ps(z, _mm256_setr_epi32(2, 5, 0, 3, 6, 1, 4, 7));
}

// The equalization's bins of LAB's or LUV's L (the clamped L truncated) of eight pixels, as
// far as floats settle them: Y / 100 (on 255's scale) as a float sum of the bytes, its cube
// root by the float bit trick for t^(-1/3) and three steps r += r (1 - t r^3) / 3 (within
// 2^-22 from 3.5 %), then L. These stay within 2^-12 of the conversions' L (checked on every
// colour); a lane whose L lies within 2^-10 of a whole number, or whose t lies near the
// companding's threshold, is left open. Returns a bit for each open lane.
VELORA_AVX2 __attribute__((always_inline)) inline int LightnessBins8(const std::uint8_t* p, std::size_t step, __m256i& bins) {
    __m256i R, G, B;
    LoadChannels8(p, step, R, G, B);
    const auto& k = kXyzOfRgb[1];  // Y's row, over the white's Y
    const __m256 t = _mm256_fmadd_ps(Splat8(float(k[2] / kWhiteY)), _mm256_cvtepi32_ps(B),
                                     _mm256_fmadd_ps(Splat8(float(k[1] / kWhiteY)), _mm256_cvtepi32_ps(G),
                                                     _mm256_mul_ps(Splat8(float(k[0] / kWhiteY)), _mm256_cvtepi32_ps(R))));
    const __m256i third = _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_castps_si256(t)), Splat8(1.0f / 3)));
    __m256 r = _mm256_castsi256_ps(_mm256_sub_epi32(_mm256_set1_epi32(0x54a23200), third));
    for (int newton = 0; newton < 3; ++newton) {
        const __m256 rest = _mm256_fnmadd_ps(t, _mm256_mul_ps(_mm256_mul_ps(r, r), r), Splat8(1));
        r = _mm256_fmadd_ps(_mm256_mul_ps(r, rest), Splat8(1.0f / 3), r);
    }
    const __m256 threshold = Splat8(float(kLabEpsilon));
    const __m256 root = _mm256_mul_ps(t, _mm256_mul_ps(r, r));
    const __m256 f = _mm256_blendv_ps(_mm256_add_ps(_mm256_mul_ps(Splat8(float(kLabSlope)), t), Splat8(float(kLabOffset))), root,
                                      _mm256_cmp_ps(t, threshold, _CMP_GT_OQ));
    const __m256 L = _mm256_sub_ps(_mm256_mul_ps(Splat8(116), f), Splat8(16));
    const __m256 margin = Splat8(0x1p-10f);
    bins = ClampTruncate8(_mm256_sub_ps(L, margin));
    const __m256 nearThreshold = _mm256_cmp_ps(Abs(_mm256_sub_ps(t, threshold)), Splat8(0x1p-12f), _CMP_LT_OQ);
    const __m256 settled = _mm256_andnot_ps(nearThreshold, _mm256_castsi256_ps(_mm256_cmpeq_epi32(bins, ClampTruncate8(_mm256_add_ps(L, margin)))));
    return ~_mm256_movemask_ps(settled) & 0xFF;
}

// Groups of eight pixels that the ways back from kept components take side by side, first
// each group's new component, then each group's way back: one group's chain of dependent
// steps is long (four measured faster than two, eight no faster).
inline constexpr int kBackGroups = 4;

// LAB or LUV back from components kept three floats a pixel, the first through the levels of
// its equalization bins; eight pixels at a time. Returns how many pixels it did.
template <class Back>
VELORA_AVX2 std::int32_t LeveledRowInLanes(std::uint8_t* p, std::size_t step, std::int32_t width, const float* kept,
                                           const float* levels) {
    std::int32_t x = 0;
    for (; x + 8 * kBackGroups <= width; x += 8 * kBackGroups, p += 8 * kBackGroups * step, kept += 24 * kBackGroups) {
        __m256 c[kBackGroups][3];
        for (int g = 0; g < kBackGroups; ++g) {
            Deinterleave3(kept + 24 * g, c[g][0], c[g][1], c[g][2]);
            c[g][0] = GatherBins(levels, c[g][0]);
        }
        for (int g = 0; g < kBackGroups; ++g) Back::From(p + std::size_t(8 * g) * step, step, c[g][0], c[g][1], c[g][2]);
    }
    for (; x + 8 <= width; x += 8, p += 8 * step, kept += 24) {
        __m256 L, A, B;
        Deinterleave3(kept, L, A, B);
        Back::From(p, step, GatherBins(levels, L), A, B);
    }
    return x;
}

// Stores eight LAB pixels from bounds on their X, Y and Z (range 1): those whose bytes the
// bounds settle, then the others and those marked in open (whose bounds may be anything) the
// library's way, from their own components (three floats each).
template <int Function>
VELORA_AVX2 __attribute__((always_inline)) inline void StoreBoundedGroup(std::uint8_t* group, std::size_t step,
                                                                         const __m256* low, const __m256* high, int open,
                                                                         const float* own, float alpha) {
    open |= StoreSettledXyz8(group, step, low, high);
    for (int i = 0; i < 8; ++i) {
        if (!((open >> i) & 1)) continue;
        const float* components = own + 3 * i;
        float values[4] = {ModelTransferT<Function>(components[0], alpha), components[1], components[2], 0.0f};
        RGBQUAD result{};
        FromModelT<kModelCIELAB>(values, result);
        std::uint8_t* pixel = group + std::size_t(i) * step;
        pixel[0] = result.rgbBlue, pixel[1] = result.rgbGreen, pixel[2] = result.rgbRed;
    }
}

// LAB's X, Y and Z (range 1) of eight pixels over bounds on L with their A and B components;
// returns a bit for each pixel whose bounds these cannot give. X, Y and Z all rise with L, so
// the way back at both ends gives them, except where the companding's branch differs at the
// two ends (its two sides do not quite meet).
VELORA_AVX2 __attribute__((always_inline)) inline int LabXyzBounds(__m256 low, __m256 high, __m256 a, __m256 b,
                                                                   __m256* xyzLow, __m256* xyzHigh) {
    int branchesLow, branchesHigh;
    LabBack::Xyz(low, a, b, xyzLow, branchesLow);
    LabBack::Xyz(high, a, b, xyzHigh, branchesHigh);
    const int differ = branchesLow ^ branchesHigh;
    return (differ | differ >> 8 | differ >> 16) & 0xFF;
}

// LAB back from a row's components, three floats a pixel, eight at a time, through a costly
// transfer's bounds on L: LabXyzBounds carries them to X, Y and Z, and XYZ's corners to the
// bytes. The pixels whose bounds these cannot give and those whose bytes the bounds leave
// open take the library's call. As BoundedLanesRow, in chunks of
// groups stage by stage (the sigmoids' fast bounds left more groups to the second try than
// their savings paid for here). Returns how many pixels it did.
template <int Function>
VELORA_AVX2 std::int32_t LabBoundedRow(std::uint8_t* p, std::size_t step, std::int32_t width, const float* components,
                                       float alpha) {
    const CostlyTransfer k = MakeCostlyTransfer<Function>(alpha);
    constexpr int kChunk = 32;  // groups
    __m256 A[kChunk], B[kChunk], low[kChunk], high[kChunk];
    std::int32_t x = 0;
    while (x + 8 <= width) {
        const int groups = std::min(kChunk, (width - x) / 8);
        for (int g = 0; g < groups; ++g) {
            __m256 L;
            Deinterleave3(components + 24 * g, L, A[g], B[g]);
            TransferBounds<Function>(L, k, low[g], high[g]);
        }
        for (int g = 0; g < groups; ++g, x += 8, p += 8 * step, components += 24) {
            __m256 xyzLow[3], xyzHigh[3];
            const int open = LabXyzBounds(low[g], high[g], A[g], B[g], xyzLow, xyzHigh);
            StoreBoundedGroup<Function>(p, step, xyzLow, xyzHigh, open, components, alpha);
        }
    }
    return x;  // the rest take ComponentsBackRowInLanes' library calls
}

// LAB or LUV back from a row's components, three floats a pixel, eight pixels at a time: the
// first component through the function, or (Ranked) the new value of its rank. Returns how
// many pixels it did.
template <class Back, int Function, bool Ranked>
VELORA_AVX2 std::int32_t ComponentsBackRowInLanes(std::uint8_t* p, std::size_t step, std::int32_t width,
                                                  const float* components, const float* newValue,
                                                  const std::uint32_t* rank, float alpha) {
    std::int32_t x = 0;
    // LAB's bounds cost less than the library's calls; LUV's, through its divisions, more.
    constexpr int kModel = std::is_same_v<Back, LabBack> ? 9 : 10;
    if constexpr (!Ranked && kModel == kModelCIELAB && Function >= 3) {
        x = LabBoundedRow<Function>(p, step, width, components, alpha);
        p += std::size_t(x) * step;
        components += std::size_t(x) * 3;
    }
    const LaneTransfer<Function> transfer(alpha);
    for (; x + 8 * kBackGroups <= width;
         x += 8 * kBackGroups, p += 8 * kBackGroups * step, components += 24 * kBackGroups) {
        __m256 c[kBackGroups][3];
        for (int g = 0; g < kBackGroups; ++g) {
            Deinterleave3(components + 24 * g, c[g][0], c[g][1], c[g][2]);
            if constexpr (Ranked) c[g][0] = GatherLanes(newValue, rank + x + 8 * g, c[g][0]);
            else c[g][0] = transfer(c[g][0]);
        }
        for (int g = 0; g < kBackGroups; ++g) Back::From(p + std::size_t(8 * g) * step, step, c[g][0], c[g][1], c[g][2]);
    }
    for (; x + 8 <= width; x += 8, p += 8 * step, components += 24) {
        __m256 L, A, B;
        Deinterleave3(components, L, A, B);
        if constexpr (Ranked) L = GatherLanes(newValue, rank + x, L);
        else L = transfer(L);
        Back::From(p, step, L, A, B);
    }
    return x;
}

// The way back from bounds on the changed components: XYZ's by corners, the others' bytes
// rise with their one changed component.
template <class Lanes>
VELORA_AVX2 inline int StoreSettled(std::uint8_t* p, std::size_t step, const typename Lanes::Floats* low,
                                    const typename Lanes::Floats* high) {
    if constexpr (Lanes::kModel == kModelCIEXYZ) return StoreSettledXyz8(p, step, low, high);
    else return StoreSettledRising<Lanes>(p, step, low, high);
}

// XYZToRGB's bytes of eight pixels from components within width of X, Y and Z (each in
// [0, 255]): each byte's float sum at them, widened by its coefficients' magnitudes times the
// width and by XyzSum's bound on the sums (2^-21 of them at most 255 each). Returns a bit for
// each pixel whose bytes these settle.
VELORA_AVX2 __attribute__((always_inline)) inline __m256 XyzByteWithin(const XyzSum& k, const __m256* v, float widening, __m256i& byte) {
    const __m256 sum = XyzSumAt(k, v[0], v[1], v[2]);
    const __m256 a = _mm256_sub_ps(sum, Splat8(widening)), b = _mm256_add_ps(sum, Splat8(widening));
    byte = ClampTruncate8(a);
    return _mm256_castsi256_ps(_mm256_cmpeq_epi32(byte, ClampTruncate8(b)));
}
inline float XyzWidening(const XyzSum& k, float width) {
    const double terms = std::fabs(double(k.kx)) + std::fabs(double(k.ky)) + std::fabs(double(k.kz));
    return std::nextafter(float(terms * (double(width) + 0x1p-21 * 255) * (1 + 0x1p-20)), std::numeric_limits<float>::infinity());
}
VELORA_AVX2 __attribute__((always_inline)) inline int XyzBytesWithin(const __m256* v, const float* widening, __m256i& red,
                                                                     __m256i& green, __m256i& blue) {
    const __m256 settled = _mm256_and_ps(_mm256_and_ps(XyzByteWithin(kXyzRed, v, widening[0], red), XyzByteWithin(kXyzGreen, v, widening[1], green)),
                                         XyzByteWithin(kXyzBlue, v, widening[2], blue));
    return _mm256_movemask_ps(settled);
}

// To, the bounds of a costly transfer and the way back over a row's whole groups; the pixels
// the bounds leave open go through open(pixel), the library's way. A chunk of groups goes
// through each stage before the next: one group's steps wait on each other, and the
// processor overlaps only short loops' iterations. The logarithm and the sigmoids try the
// fast transfer first (XYZ: its values and their width straight into the sums); the groups it
// leaves open take TransferBounds. Returns how many pixels it did.
template <class Lanes, int Function, class Open>
VELORA_AVX2 std::int32_t BoundedLanesRow(std::uint8_t* p, std::size_t step, std::int32_t width, const CostlyTransfer& transfer,
                                         const Open& open) {
    using Floats = typename Lanes::Floats;
    constexpr int kPixels = Lanes::kPixels, kChunk = 32;  // groups; the stages' values stay in the first-level cache
    const CostlyTransfer k = transfer;  // in registers, not reloaded after each store
    const FastTransfer fast = MakeFastTransfer<Function>(k);
    float widening[3] = {};
    if constexpr (Lanes::kModel == kModelCIEXYZ)
        if (fast.usable)
            widening[0] = XyzWidening(kXyzRed, fast.width), widening[1] = XyzWidening(kXyzGreen, fast.width),
            widening[2] = XyzWidening(kXyzBlue, fast.width);
    Floats v[kChunk][3], low[kChunk][3], high[kChunk][3];
    std::int32_t x = 0;
    while (x + kPixels <= width) {
        const int groups = std::min(kChunk, (width - x) / kPixels);
        for (int g = 0; g < groups; ++g) {
            Lanes::To(p + std::size_t(g * kPixels) * step, step, v[g]);
            for (int c = Lanes::kChanged; c < 3; ++c) low[g][c] = high[g][c] = v[g][c];
        }
        for (int c = 0; c < Lanes::kChanged; ++c)
            for (int g = 0; g < groups; ++g) {
                if constexpr (Function >= 4) {
                    if (fast.usable) {
                        if constexpr (Lanes::kModel == kModelCIEXYZ) low[g][c] = FastTransferred<Function>(v[g][c], fast);  // the value itself
                        else FastBounds<Function>(v[g][c], fast, low[g][c], high[g][c]);
                        continue;
                    }
                }
                TransferBounds<Function>(v[g][c], k, low[g][c], high[g][c]);
            }
        for (int g = 0; g < groups; ++g, x += kPixels, p += kPixels * step) {
            int left = 0;
            if (Lanes::kModel == kModelCIEXYZ && fast.usable) {
                __m256i red, green, blue;
                if (XyzBytesWithin(low[g], widening, red, green, blue) == 0xFF) {
                    StorePixels8(p, step, red, green, blue);
                    continue;
                }
                left = 0xFF;
            } else {
                left = StoreSettled<Lanes>(p, step, low[g], high[g]);
                if (left == 0) continue;
            }
            if (fast.usable) {  // the same bytes again where both settle them
                for (int c = 0; c < Lanes::kChanged; ++c) TransferBounds<Function>(v[g][c], k, low[g][c], high[g][c]);
                left &= StoreSettled<Lanes>(p, step, low[g], high[g]);
            }
            for (int i = 0; i < kPixels; ++i)
                if ((left >> i) & 1) open(p + std::size_t(i) * step);
        }
    }
    return x;
}

}  // namespace velora::detail

#endif
