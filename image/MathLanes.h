// Sine and cosine of four doubles at once (internal to the library), for warps that turn each
// pixel by its own angle.
// AVX2 code, compiled for that target whatever the build's own and used only where the
// processor has it.
//
// These are not the C library's values, which the results must keep. They lie close enough
// to the true values, and so do the library's, that a caller can bound where the library's
// value lies and call the library only where the bound leaves its result open.
#pragma once

#include "VectorTarget.h"

#if VELORA_X86

#include <cstdint>

namespace velora::detail {

// How far apart the lanes' values and the library's may lie: 2^-48, thirty times the errors
// of either (the reduction's below 2^-70 for the arguments taken, each polynomial's below
// 2^-54, and the library's below 2^-53 since |sin|, |cos| <= 1).
inline constexpr double kSinCosLaneError = 1.0 / (double(1ull << 48));

// The largest argument the lanes take: the reduction is exact to the bound above while the
// quadrant count has no more than 20 bits.
inline constexpr double kSinCosLaneLimit = 1.0e5;

// acc z + c: one step of a polynomial in z, fused (the values need only lie within the
// bound above, not be any particular rounding's).
VELORA_AVX2 inline __m256d PolynomialStep(__m256d acc, __m256d z, double c) {
    return _mm256_fmadd_pd(acc, z, _mm256_set1_pd(c));
}

// sin and cos of x, lane by lane, for |x| <= kSinCosLaneLimit.
VELORA_AVX2 inline void SinCosLanes(__m256d x, __m256d& sine, __m256d& cosine) {
    // x = n pi/2 + r, |r| <= pi/4: pi/2 in three pieces of 33 bits, so that n times each is exact.
    const __m256d n = _mm256_round_pd(_mm256_mul_pd(x, _mm256_set1_pd(6.36619772367581382433e-01)),
                                      _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    __m256d r = _mm256_sub_pd(x, _mm256_mul_pd(n, _mm256_set1_pd(1.57079632673412561417e+00)));
    r = _mm256_sub_pd(r, _mm256_mul_pd(n, _mm256_set1_pd(6.07710050630396597660e-11)));
    r = _mm256_sub_pd(r, _mm256_mul_pd(n, _mm256_set1_pd(2.02226624871116645580e-21)));
    const __m256d z = _mm256_mul_pd(r, r);
    // The minimax polynomials of the classic kernels on [-pi/4, pi/4].
    __m256d ps = _mm256_set1_pd(1.58969099521155010221e-10);
    ps = PolynomialStep(ps, z, -2.50507602534068634195e-08);
    ps = PolynomialStep(ps, z, 2.75573137070700676789e-06);
    ps = PolynomialStep(ps, z, -1.98412698298579493134e-04);
    ps = PolynomialStep(ps, z, 8.33333333332248946124e-03);
    ps = PolynomialStep(ps, z, -1.66666666666666324348e-01);
    const __m256d sr = _mm256_add_pd(r, _mm256_mul_pd(_mm256_mul_pd(r, z), ps));
    __m256d pc = _mm256_set1_pd(-1.13596475577881948265e-11);
    pc = PolynomialStep(pc, z, 2.08757232129817482790e-09);
    pc = PolynomialStep(pc, z, -2.75573143513906633035e-07);
    pc = PolynomialStep(pc, z, 2.48015872894767294178e-05);
    pc = PolynomialStep(pc, z, -1.38888888888741095749e-03);
    pc = PolynomialStep(pc, z, 4.16666666666666019037e-02);
    const __m256d cr = _mm256_add_pd(_mm256_sub_pd(_mm256_set1_pd(1.0), _mm256_mul_pd(_mm256_set1_pd(0.5), z)),
                                      _mm256_mul_pd(_mm256_mul_pd(z, z), pc));
    // Quadrant q = n mod 4: sin x = sr, cr, -sr, -cr and cos x = cr, -sr, -cr, sr.
    const __m256i q = _mm256_cvtepi32_epi64(_mm256_cvtpd_epi32(n));
    const __m256d odd = _mm256_castsi256_pd(_mm256_cmpeq_epi64(_mm256_and_si256(q, _mm256_set1_epi64x(1)),
                                                               _mm256_set1_epi64x(1)));
    const __m256i signBit = _mm256_set1_epi64x(std::int64_t(1) << 63);
    const __m256d sineSign = _mm256_castsi256_pd(_mm256_and_si256(_mm256_slli_epi64(q, 62), signBit));
    const __m256d cosineSign =
        _mm256_castsi256_pd(_mm256_and_si256(_mm256_slli_epi64(_mm256_add_epi64(q, _mm256_set1_epi64x(1)), 62), signBit));
    sine = _mm256_xor_pd(_mm256_blendv_pd(sr, cr, odd), sineSign);
    cosine = _mm256_xor_pd(_mm256_blendv_pd(cr, sr, odd), cosineSign);
}

}  // namespace velora::detail

#endif
