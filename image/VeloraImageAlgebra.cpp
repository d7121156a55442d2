// Operations between two images: weighted and saturating arithmetic, and bitwise logic.
// Everything works on the stored rows, bands of them on the library's workers. Each rule
// depends only on the pair of values. Bytes (8-bit indices, colour components) go sixteen
// or thirty-two at a time: integer byte arithmetic where both weights are 1, else floats in
// the order the rule computes them. 1- and 4-bit indices, and lighter and darker, look the
// pair up in a table of every pair, made once per call.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "ByteRows.h"
#include "CVelora.h"
#include "Parallel.h"
#include "PixelRow.h"
#include "LargeArrays.h"
#include "VectorTarget.h"

using velora::detail::ForEachRowBand;
using velora::detail::ReadPixel;
using velora::detail::RefuseWithoutMemory;
using velora::detail::WritePixel;

namespace {

bool IsDirect(unsigned depth) { return depth == 24 || depth == 32; }

// A value above max gives max; one that is not above 0 (a negative difference, or not a
// number, as 0 x infinity or infinity - infinity give) gives 0; the rest is truncated.
std::uint8_t Truncated(float x, float max) {
    if (x > max) return std::uint8_t(max);
    if (!(x > 0)) return 0;
    return std::uint8_t(x);
}

// The same, raised to the next integer instead of truncated.
std::uint8_t RaisedUp(float x, float max) {
    if (x > max) return std::uint8_t(max);
    if (!(x > 0)) return 0;
    return std::uint8_t(std::ceil(x));
}

// The weighted rule for one pair of values: palette indices up to L, or one colour
// component (direct, L = 255). Single precision throughout.
std::uint8_t Weighted(unsigned operation, bool direct, std::uint32_t va, std::uint32_t vb, float weightA,
                      float weightB, float L) {
    const float a = float(va) * weightA, b = float(vb) * weightB;
    const float divisor = vb == 0 ? 0.2f : float(vb);
    switch (operation) {
        case 0: return Truncated(a + b, L);
        case 1: return Truncated(a - b, L);
        case 2: return Truncated(a * b, L);
        case 3: return direct ? RaisedUp((a / divisor) * weightB, L) : RaisedUp(a / (divisor * weightB), L);
        case 4: return Truncated((a + b) * 0.5f, L);
        case 5:
            if (direct) return std::max(Truncated(a, L), Truncated(b, L));
            return b > a ? Truncated(b, L) : std::uint8_t(va);
        default:
            if (direct) return std::min(Truncated(a, L), Truncated(b, L));
            return a > b ? Truncated(b, L) : std::uint8_t(va);
    }
}

// Rows of a stored image, top row first as displayed.
struct Rows {
    std::uint8_t* bits;
    std::size_t stride;
    std::int32_t height;
    unsigned depth;
    std::uint8_t* Row(std::int32_t y) const { return bits + std::size_t(height - 1 - y) * stride; }
};

// What one call works on: B's rows 0..rows-1 and columns 0..cols-1 meet A's from
// (column, row) on; cols and rows are already cut to what lies inside A.
struct Region {
    Rows a;
    Rows b;
    std::int32_t cols;
    std::int32_t rows;
    std::int32_t column;
    std::int32_t row;
};

// The pair rules as functors: f(a, b) gives the byte for one pair of values. Those with a
// member V also give it for sixteen bytes at once (SSE2), and for thirty-two (AVX2), where
// Wide() allows; V must give exactly what f gives for each byte.
#if VELORA_X86
using Bytes16 = __m128i;
using Bytes32 = __m256i;
using velora::detail::HasAvx2;
using velora::detail::HasSse2;
#endif

template <class F>
constexpr bool kHasWide = requires(const F& f) { f.Wide(); };

#if VELORA_X86
// The first multiple of 32 bytes of CombineBytes and CombineBgrKeepingAlpha; returns it.
template <class F>
VELORA_AVX2 std::size_t CombineBytes32(std::uint8_t* pa, const std::uint8_t* pb, std::size_t n, const F& f) {
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const Bytes32 a = _mm256_loadu_si256(reinterpret_cast<const Bytes32*>(pa + i));
        const Bytes32 b = _mm256_loadu_si256(reinterpret_cast<const Bytes32*>(pb + i));
        _mm256_storeu_si256(reinterpret_cast<Bytes32*>(pa + i), f.V(a, b));
    }
    return i;
}
template <class F>
VELORA_AVX2 std::size_t CombineBgr32(std::uint8_t* pa, const std::uint8_t* pb, std::size_t n, const F& f) {
    const Bytes32 alpha = _mm256_set1_epi32(int(0xFF000000u));
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const Bytes32 a = _mm256_loadu_si256(reinterpret_cast<const Bytes32*>(pa + i));
        const Bytes32 b = _mm256_loadu_si256(reinterpret_cast<const Bytes32*>(pb + i));
        const Bytes32 r = _mm256_or_si256(_mm256_and_si256(alpha, a), _mm256_andnot_si256(alpha, f.V(a, b)));
        _mm256_storeu_si256(reinterpret_cast<Bytes32*>(pa + i), r);
    }
    return i;
}
#endif

// pa[i] = f(pa[i], pb[i]) over n bytes (pa may be pb: each byte is read before it is written).
template <class F>
void CombineBytes(std::uint8_t* pa, const std::uint8_t* pb, std::size_t n, const F& f) {
    std::size_t i = 0;
#if VELORA_X86
    if constexpr (kHasWide<F>) {
        if (f.Wide() && HasAvx2()) i = CombineBytes32(pa, pb, n, f);
        if (f.Wide() && HasSse2())
            for (; i + 16 <= n; i += 16) {
                const Bytes16 a = _mm_loadu_si128(reinterpret_cast<const Bytes16*>(pa + i));
                const Bytes16 b = _mm_loadu_si128(reinterpret_cast<const Bytes16*>(pb + i));
                _mm_storeu_si128(reinterpret_cast<Bytes16*>(pa + i), f.V(a, b));
            }
    }
#endif
    for (; i < n; ++i) pa[i] = std::uint8_t(f(pa[i], pb[i]));
}

// The same over 32-bit pixels of both images: every fourth byte (alpha) stays.
template <class F>
void CombineBgrKeepingAlpha(std::uint8_t* pa, const std::uint8_t* pb, std::size_t pixels, const F& f) {
    std::size_t i = 0;
    const std::size_t n = 4 * pixels;
#if VELORA_X86
    if constexpr (kHasWide<F>) {
        if (f.Wide() && HasAvx2()) i = CombineBgr32(pa, pb, n, f);
        if (f.Wide() && HasSse2()) {
            const Bytes16 alpha = _mm_set1_epi32(int(0xFF000000u));
            for (; i + 16 <= n; i += 16) {
                const Bytes16 a = _mm_loadu_si128(reinterpret_cast<const Bytes16*>(pa + i));
                const Bytes16 b = _mm_loadu_si128(reinterpret_cast<const Bytes16*>(pb + i));
                const Bytes16 r = _mm_or_si128(_mm_and_si128(alpha, a), _mm_andnot_si128(alpha, f.V(a, b)));
                _mm_storeu_si128(reinterpret_cast<Bytes16*>(pa + i), r);
            }
        }
    }
#endif
    for (; i < n; ++i)
        if ((i & 3) != 3) pa[i] = std::uint8_t(f(pa[i], pb[i]));
}

struct SumUpTo {
    unsigned L;
    unsigned operator()(unsigned a, unsigned b) const { return std::min(a + b, L); }
#if VELORA_X86
    bool Wide() const { return L == 255; }
    Bytes16 V(Bytes16 a, Bytes16 b) const { return _mm_adds_epu8(a, b); }
    VELORA_AVX2 Bytes32 V(Bytes32 a, Bytes32 b) const { return _mm256_adds_epu8(a, b); }
#endif
};
struct Difference {
    unsigned operator()(unsigned a, unsigned b) const { return a > b ? a - b : 0; }
#if VELORA_X86
    bool Wide() const { return true; }
    Bytes16 V(Bytes16 a, Bytes16 b) const { return _mm_subs_epu8(a, b); }
    VELORA_AVX2 Bytes32 V(Bytes32 a, Bytes32 b) const { return _mm256_subs_epu8(a, b); }
#endif
};
struct ProductUpTo {
    unsigned L;
    unsigned operator()(unsigned a, unsigned b) const { return std::min(a * b, L); }
};
struct Mean {
    unsigned operator()(unsigned a, unsigned b) const { return (a + b) >> 1; }
#if VELORA_X86
    bool Wide() const { return true; }
    // The rounded-up average less the bit it rounded up by.
    Bytes16 V(Bytes16 a, Bytes16 b) const {
        return _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi8(1)));
    }
    VELORA_AVX2 Bytes32 V(Bytes32 a, Bytes32 b) const {
        return _mm256_sub_epi8(_mm256_avg_epu8(a, b), _mm256_and_si256(_mm256_xor_si256(a, b), _mm256_set1_epi8(1)));
    }
#endif
};
struct Larger {
    unsigned operator()(unsigned a, unsigned b) const { return std::max(a, b); }
#if VELORA_X86
    bool Wide() const { return true; }
    Bytes16 V(Bytes16 a, Bytes16 b) const { return _mm_max_epu8(a, b); }
    VELORA_AVX2 Bytes32 V(Bytes32 a, Bytes32 b) const { return _mm256_max_epu8(a, b); }
#endif
};
struct Smaller {
    unsigned operator()(unsigned a, unsigned b) const { return std::min(a, b); }
#if VELORA_X86
    bool Wide() const { return true; }
    Bytes16 V(Bytes16 a, Bytes16 b) const { return _mm_min_epu8(a, b); }
    VELORA_AVX2 Bytes32 V(Bytes32 a, Bytes32 b) const { return _mm256_min_epu8(a, b); }
#endif
};
struct FromTable {
    const std::uint8_t* table;  // a * 256 + b
    unsigned operator()(unsigned a, unsigned b) const { return table[a * 256 + b]; }
};

// The weighted rule on bytes (L = 255) for sum, difference, product, division and mean, in
// single precision as Weighted computes it: lanes of floats, the same operations in the same
// order, the clamp as max(x, 0) (which gives 0 for NaN) then min(x, 255), and for division
// the ceiling of the clamped value. direct: the division of colour components.
template <unsigned kOperation>
struct WeightedBytes {
    bool direct;
    float weightA, weightB;
    // Whether a result may pass what a 32-bit integer holds (or be NaN); when not, the packs'
    // saturation alone holds it to 255 and the lanes skip their min.
    bool mayOverflow = MayOverflow(weightA, weightB);
    static bool MayOverflow(float wA, float wB) {
        const double a = std::fabs(double(wA)) * 255, b = std::fabs(double(wB)) * 255, limit = 1 << 30;
        return !(a + b < limit && (kOperation != 2 || a * b < limit));
    }
    unsigned operator()(unsigned a, unsigned b) const {
        return Weighted(kOperation, direct, a, b, weightA, weightB, 255.0f);
    }
#if VELORA_X86
    bool Wide() const { return true; }
    // Four values of A and of B (as floats) to four results (as integers).
    Bytes16 Lane(__m128 a, __m128 b) const {
        const __m128 x = _mm_mul_ps(a, _mm_set1_ps(weightA)), wB = _mm_set1_ps(weightB);
        const auto clamp = [](__m128 v) { return _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(255.0f)); };
        if constexpr (kOperation == 3) {
            const __m128 isZero = _mm_cmpeq_ps(b, _mm_setzero_ps());
            const __m128 divisor = _mm_or_ps(_mm_and_ps(isZero, _mm_set1_ps(0.2f)), _mm_andnot_ps(isZero, b));
            const __m128 q = clamp(direct ? _mm_mul_ps(_mm_div_ps(x, divisor), wB) : _mm_div_ps(x, _mm_mul_ps(divisor, wB)));
            // Raised up: the truncation, plus one where it lost a fraction.
            const Bytes16 t = _mm_cvttps_epi32(q);
            return _mm_sub_epi32(t, _mm_castps_si128(_mm_cmplt_ps(_mm_cvtepi32_ps(t), q)));
        }
        const __m128 y = _mm_mul_ps(b, wB);
        __m128 r;
        switch (kOperation) {
            case 0: r = _mm_add_ps(x, y); break;
            case 1: r = _mm_sub_ps(x, y); break;
            case 2: r = _mm_mul_ps(x, y); break;
            default: r = _mm_mul_ps(_mm_add_ps(x, y), _mm_set1_ps(0.5f)); break;
        }
        // Only the upper bound: a negative value, or NaN (min keeps its second operand when
        // unordered), truncates to a negative integer, which the packs below take to 0.
        return _mm_cvttps_epi32(mayOverflow ? _mm_min_ps(_mm_set1_ps(255.0f), r) : r);
    }
    Bytes16 V(Bytes16 a, Bytes16 b) const {
        const Bytes16 zero = _mm_setzero_si128();
        const Bytes16 aLow = _mm_unpacklo_epi8(a, zero), aHigh = _mm_unpackhi_epi8(a, zero);
        const Bytes16 bLow = _mm_unpacklo_epi8(b, zero), bHigh = _mm_unpackhi_epi8(b, zero);
        const auto quarter = [&](Bytes16 a16, Bytes16 b16, bool high) {
            const Bytes16 a32 = high ? _mm_unpackhi_epi16(a16, zero) : _mm_unpacklo_epi16(a16, zero);
            const Bytes16 b32 = high ? _mm_unpackhi_epi16(b16, zero) : _mm_unpacklo_epi16(b16, zero);
            return Lane(_mm_cvtepi32_ps(a32), _mm_cvtepi32_ps(b32));
        };
        const Bytes16 low = _mm_packs_epi32(quarter(aLow, bLow, false), quarter(aLow, bLow, true));
        const Bytes16 high = _mm_packs_epi32(quarter(aHigh, bHigh, false), quarter(aHigh, bHigh, true));
        return _mm_packus_epi16(low, high);
    }
    VELORA_AVX2 __m256 Clamp(__m256 v) const {
        return _mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), _mm256_set1_ps(255.0f));
    }
    VELORA_AVX2 Bytes32 Lane(__m256 a, __m256 b) const {
        const __m256 x = _mm256_mul_ps(a, _mm256_set1_ps(weightA)), wB = _mm256_set1_ps(weightB);
        if constexpr (kOperation == 3) {
            const __m256 divisor = _mm256_blendv_ps(b, _mm256_set1_ps(0.2f), _mm256_cmp_ps(b, _mm256_setzero_ps(), _CMP_EQ_OQ));
            const __m256 q = Clamp(direct ? _mm256_mul_ps(_mm256_div_ps(x, divisor), wB)
                                          : _mm256_div_ps(x, _mm256_mul_ps(divisor, wB)));
            return _mm256_cvttps_epi32(_mm256_ceil_ps(q));
        }
        const __m256 y = _mm256_mul_ps(b, wB);
        __m256 r;
        switch (kOperation) {
            case 0: r = _mm256_add_ps(x, y); break;
            case 1: r = _mm256_sub_ps(x, y); break;
            case 2: r = _mm256_mul_ps(x, y); break;
            default: r = _mm256_mul_ps(_mm256_add_ps(x, y), _mm256_set1_ps(0.5f)); break;
        }
        return _mm256_cvttps_epi32(mayOverflow ? _mm256_min_ps(_mm256_set1_ps(255.0f), r) : r);  // as in the SSE2 lane
    }
    // Sixteen bytes: two lanes of eight, packed back in order.
    VELORA_AVX2 Bytes32 Eight(Bytes16 a, Bytes16 b) const {
        return Lane(_mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(a)), _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(b)));
    }
    VELORA_AVX2 Bytes16 Half(Bytes16 a, Bytes16 b) const {
        const Bytes32 words = _mm256_permute4x64_epi64(
            _mm256_packs_epi32(Eight(a, b), Eight(_mm_srli_si128(a, 8), _mm_srli_si128(b, 8))), 0xD8);
        return _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
    }
    VELORA_AVX2 Bytes32 V(Bytes32 a, Bytes32 b) const {
        const Bytes16 low = Half(_mm256_castsi256_si128(a), _mm256_castsi256_si128(b));
        const Bytes16 high = Half(_mm256_extracti128_si256(a, 1), _mm256_extracti128_si256(b, 1));
        return _mm256_set_m128i(high, low);
    }
#endif
};

// f on the colour components of direct-colour rows of any pair of 24/32-bit depths.
template <class F>
void CombineDirectRow(std::uint8_t* pa, unsigned depthA, const std::uint8_t* pb, unsigned depthB, std::size_t pixels,
                      const F& f) {
    if (depthA == 24 && depthB == 24) return CombineBytes(pa, pb, 3 * pixels, f);
    if (depthA == 32 && depthB == 32) return CombineBgrKeepingAlpha(pa, pb, pixels, f);
    const std::size_t sa = depthA / 8, sb = depthB / 8;
    for (std::size_t x = 0; x < pixels; ++x)
        for (std::size_t c = 0; c < 3; ++c) pa[sa * x + c] = std::uint8_t(f(pa[sa * x + c], pb[sb * x + c]));
}

// Runs f(a value, b value) -> byte over the region, on the workers. Palette images of 1 or
// 4 bits go pixel by pixel within their rows; the rest byte by byte.
template <class F>
void CombineRegion(const Region& r, const F& f) {
    if (r.cols <= 0 || r.rows <= 0) return;
    // Whole rows without padding, of the same depth in both: a band is one run of pixels.
    const unsigned bytesPerPixel = r.a.depth / 8;
    const bool runs = r.a.depth == r.b.depth && (IsDirect(r.a.depth) || r.a.depth == 8) && r.column == 0 &&
                      std::size_t(r.cols) * bytesPerPixel == r.a.stride && r.a.stride == r.b.stride;
    ForEachRowBand(r.rows, r.a.stride, [&](std::int32_t first, std::int32_t last) {
        const unsigned da = r.a.depth, db = r.b.depth;
        if (runs) {
            const std::size_t pixels = std::size_t(r.cols) * std::size_t(last - first);
            std::uint8_t* pa = r.a.Row(last - 1 + r.row);
            const std::uint8_t* pb = r.b.Row(last - 1);
            if (da == 8) CombineBytes(pa, pb, pixels, f);
            else CombineDirectRow(pa, da, pb, db, pixels, f);
            return;
        }
        for (std::int32_t y = last - 1; y >= first; --y) {  // rising addresses: rows are stored bottom-up
            std::uint8_t* pa = r.a.Row(y + r.row);
            const std::uint8_t* pb = r.b.Row(y);
            if (IsDirect(da)) {
                CombineDirectRow(pa + std::size_t(r.column) * (da / 8), da, pb, db, std::size_t(r.cols), f);
            } else if (da == 8) {
                CombineBytes(pa + r.column, pb, std::size_t(r.cols), f);
            } else {
                for (std::int32_t x = 0; x < r.cols; ++x) {
                    const std::int32_t xa = x + r.column;
                    WritePixel(pa, xa, da, f(ReadPixel(pa, xa, da), ReadPixel(pb, x, db)));
                }
            }
        }
    });
}

// The weighted rule of every pair of values of the depth (2^depth values for palette
// images, 256 components for direct colour), indexed by a * 256 + b.
std::vector<std::uint8_t> WeightedTable(unsigned operation, unsigned depth, float weightA, float weightB) {
    const bool direct = IsDirect(depth);
    const std::uint32_t n = direct ? 256 : 1u << depth;
    const float L = float(n - 1);
    std::vector<std::uint8_t> table(256 * 256);
    for (std::uint32_t a = 0; a < n; ++a)
        for (std::uint32_t b = 0; b < n; ++b) table[a * 256 + b] = Weighted(operation, direct, a, b, weightA, weightB, L);
    return table;
}

// The operation with both weights 1, as integers (the float rule gives these exactly: the
// sums and products of bytes are exact in single precision). Division keeps its table.
void CombineWeightedBytes(const Region& r, unsigned operation, float weightA, float weightB) {
    const bool direct = IsDirect(r.a.depth);
    switch (operation) {
        case 0: return CombineRegion(r, WeightedBytes<0>{direct, weightA, weightB});
        case 1: return CombineRegion(r, WeightedBytes<1>{direct, weightA, weightB});
        case 2: return CombineRegion(r, WeightedBytes<2>{direct, weightA, weightB});
        case 3: return CombineRegion(r, WeightedBytes<3>{direct, weightA, weightB});
        default: return CombineRegion(r, WeightedBytes<4>{direct, weightA, weightB});
    }
}

void CombineUnweighted(const Region& r, unsigned operation, unsigned L) {
    switch (operation) {
        case 0: return CombineRegion(r, SumUpTo{L});
        case 1: return CombineRegion(r, Difference{});
        case 2: return CombineRegion(r, ProductUpTo{L});
        case 4: return CombineRegion(r, Mean{});
        case 5: return CombineRegion(r, Larger{});
        case 6: return CombineRegion(r, Smaller{});
        default: {
            if (r.a.depth >= 8) return CombineWeightedBytes(r, operation, 1.0f, 1.0f);
            const auto table = WeightedTable(operation, r.a.depth, 1.0f, 1.0f);
            return CombineRegion(r, FromTable{table.data()});
        }
    }
}

void CombineWeighted(const Region& r, unsigned operation, float weightA, float weightB) {
    if (weightA == 1.0f && weightB == 1.0f) {
        const unsigned L = IsDirect(r.a.depth) ? 255 : (1u << r.a.depth) - 1;
        return CombineUnweighted(r, operation, L);
    }
    // Bytes of 0..255 take the same rule, palette or colour, but for lighter and darker.
    if (r.a.depth >= 8 && operation <= 4)
        return CombineWeightedBytes(r, operation, weightA, weightB);
    const auto table = WeightedTable(operation, r.a.depth, weightA, weightB);
    CombineRegion(r, FromTable{table.data()});
}

// The bitwise operations on raw values; NOT ignores b.
template <int kOperation>
struct Bitwise {
    std::uint32_t operator()(std::uint32_t a, std::uint32_t b) const {
        switch (kOperation) {
            case 0: return ~a;
            case 1: return a & b;
            case 2: return a | b;
            case 3: return a ^ b;
            case 4: return ~(a & b);
            default: return ~(a | b);
        }
    }
#if VELORA_X86
    bool Wide() const { return true; }
    Bytes16 V(Bytes16 a, Bytes16 b) const {
        const Bytes16 ones = _mm_set1_epi8(-1);
        switch (kOperation) {
            case 0: return _mm_xor_si128(a, ones);
            case 1: return _mm_and_si128(a, b);
            case 2: return _mm_or_si128(a, b);
            case 3: return _mm_xor_si128(a, b);
            case 4: return _mm_xor_si128(_mm_and_si128(a, b), ones);
            default: return _mm_xor_si128(_mm_or_si128(a, b), ones);
        }
    }
    VELORA_AVX2 Bytes32 V(Bytes32 a, Bytes32 b) const {
        const Bytes32 ones = _mm256_set1_epi8(-1);
        switch (kOperation) {
            case 0: return _mm256_xor_si256(a, ones);
            case 1: return _mm256_and_si256(a, b);
            case 2: return _mm256_or_si256(a, b);
            case 3: return _mm256_xor_si256(a, b);
            case 4: return _mm256_xor_si256(_mm256_and_si256(a, b), ones);
            default: return _mm256_xor_si256(_mm256_or_si256(a, b), ones);
        }
    }
#endif
};

template <class F>
void LogicalRegion(const Region& r, const F& f) {
    if (r.cols <= 0 || r.rows <= 0) return;
    const unsigned da = r.a.depth, db = r.b.depth;
    const std::uint32_t mask = da == 1 ? 1u : 0xFFFFFFFFu;
    ForEachRowBand(r.rows, r.a.stride, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t y = last - 1; y >= first; --y) {  // rising addresses: rows are stored bottom-up
            std::uint8_t* pa = r.a.Row(y);
            const std::uint8_t* pb = r.b.Row(y);
            std::int32_t x = 0;
            if (da == 32 && db == 32) {
                CombineBgrKeepingAlpha(pa, pb, std::size_t(r.cols), f);
                continue;
            }
            if (da == db) {
                // Packed rows are bit strings: whole bytes at once, then the pixels of a
                // last partial byte one by one, so that the padding stays.
                const std::size_t whole = std::size_t(r.cols) * da / 8;
                CombineBytes(pa, pb, whole, f);
                x = std::int32_t(whole * 8 / da);
            }
            // Each raw value as the accessors give it, the result cut to A's pixel.
            for (; x < r.cols; ++x) WritePixel(pa, x, da, f(ReadPixel(pa, x, da), ReadPixel(pb, x, db)) & mask);
        }
    });
}

// NOT of whole bytes is an exclusive-or with ones on one stream (the alpha bytes of 32-bit
// pixels stay), without reading the image a second time as B.
void ComplementRegion(const Region& r) {
    const std::size_t step = r.a.depth / 8;
    std::uint8_t ones[48];
    for (std::size_t k = 0; k < 48; ++k) ones[k] = step == 4 && k % 4 == 3 ? 0 : 0xFF;
    const std::size_t rowBytes = std::size_t(r.cols) * step, stride = r.a.stride;
    std::uint8_t* const bits = r.a.bits;
    ForEachRowBand(r.rows, stride, [&](std::int32_t first, std::int32_t last) {
        velora::detail::ForEachRun(bits, stride, rowBytes, first, last,
                                   [&](std::uint8_t* p, std::size_t n) { velora::detail::XorRow(p, n, ones); });
    });
}

void CombineLogical(const Region& r, unsigned operation) {
    switch (operation) {
        case 0:
            if (r.a.depth >= 8) return ComplementRegion(r);
            return LogicalRegion(r, Bitwise<0>{});
        case 1: return LogicalRegion(r, Bitwise<1>{});
        case 2: return LogicalRegion(r, Bitwise<2>{});
        case 3: return LogicalRegion(r, Bitwise<3>{});
        case 4: return LogicalRegion(r, Bitwise<4>{});
        default: return LogicalRegion(r, Bitwise<5>{});
    }
}

// The highest index of an indexed image.
std::uint32_t HighestIndex(const CVelora& image) {
    const unsigned depth = image.GetBitCount();
    const std::int32_t width = image.GetWidth(), height = image.GetHeight();
    const std::size_t stride = image.GetBytesPerRow();
    std::uint32_t highest = 0;
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* row = image.GetBits() + std::size_t(y) * stride;
        if (depth == 8) {
            highest = std::max<std::uint32_t>(highest, *std::max_element(row, row + width));
        } else {
            for (std::int32_t x = 0; x < width; ++x) highest = std::max(highest, ReadPixel(row, x, depth));
        }
    }
    return highest;
}

// Runs work on the image, or, when an indexed image's colour table is shorter than its
// depth allows, on a copy whose table then grows to cover the indices written (cover is
// the image's own CoverIndicesPresent): a lack of memory leaves the image as it was.
template <class Work, class Cover>
unsigned CoveringTheTable(CVelora& image, bool shortTable, unsigned noMemoryCode, Work work, Cover cover) {
    if (!shortTable) {
        work(image);
        return 0;
    }
    CVelora copy(image);
    if (!copy.HasImage()) return noMemoryCode;
    work(copy);
    if (!cover(copy)) return noMemoryCode;
    image = std::move(copy);
    return 0;
}

}  // namespace

bool CVelora::CoverIndicesPresent() {
    std::array<std::uint8_t, 256> highest;
    highest.fill(std::uint8_t(HighestIndex(*this)));
    return CoverRemappedIndices(highest.data());
}

unsigned CVelora::Arithmetic(unsigned operation, const CVelora& b, float weightA, float weightB, int offsetColumn,
                             int offsetRow) {
    return RefuseWithoutMemory(6, [&]() -> unsigned {
        if (operation > 6) return 1;
        if (!HasAccessibleDepth() || !b.HasAccessibleDepth()) return 2;
        if (!(weightA >= 0) || !(weightB >= 0)) return 4;
        if (offsetColumn < 0 || offsetRow < 0 || offsetColumn > GetWidth() - 1 || offsetRow > GetHeight() - 1) return 5;
        const unsigned depthA = GetBitCount(), depthB = b.GetBitCount();
        if (depthA != depthB && !(IsDirect(depthA) && IsDirect(depthB))) return 3;

        // B read while A is written with an offset would meet pixels already changed.
        CVelora ownCopy;
        const CVelora* source = &b;
        if (&b == this && (offsetColumn != 0 || offsetRow != 0)) {
            ownCopy = b;
            if (!ownCopy.HasImage()) return 6;
            source = &ownCopy;
        }
        const auto run = [&](CVelora& target) {
            Region r{{target.m_pchMapaBits, target.m_bytesPerRow, target.GetHeight(), depthA},
                     {const_cast<std::uint8_t*>(source->GetBits()), source->GetBytesPerRow(), source->GetHeight(), depthB},
                     std::min(std::min(target.GetWidth(), source->GetWidth()), target.GetWidth() - offsetColumn),
                     std::min(std::min(target.GetHeight(), source->GetHeight()), target.GetHeight() - offsetRow),
                     offsetColumn,
                     offsetRow};
            CombineWeighted(r, operation, weightA, weightB);
        };
        return CoveringTheTable(*this, IsIndexed() && PaletteEntries() < GetMaxColors(), 6, run,
                                [](CVelora& im) { return im.CoverIndicesPresent(); });
    });
}

unsigned CVelora::SaturatingArithmetic(unsigned operation, const CVelora& b) {
    if (operation > 6) return 1;
    if (!HasAccessibleDepth() || !b.HasAccessibleDepth()) return 2;
    const unsigned depthA = GetBitCount(), depthB = b.GetBitCount();
    if (depthA != depthB && !(IsDirect(depthA) && IsDirect(depthB))) return 3;
    const auto run = [&](CVelora& target) {
        const CVelora& source = &b == this ? target : b;
        Region r{{target.m_pchMapaBits, target.m_bytesPerRow, target.GetHeight(), depthA},
                 {const_cast<std::uint8_t*>(source.GetBits()), source.GetBytesPerRow(), source.GetHeight(), depthB},
                 std::min(target.GetWidth(), source.GetWidth()),
                 std::min(target.GetHeight(), source.GetHeight()),
                 0,
                 0};
        CombineUnweighted(r, operation, IsDirect(depthA) ? 255u : (1u << depthA) - 1);
    };
    return CoveringTheTable(*this, IsIndexed() && PaletteEntries() < GetMaxColors(), 4, run,
                            [](CVelora& im) { return im.CoverIndicesPresent(); });
}

unsigned CVelora::Logical(unsigned operation, const CVelora* b) {
    if (operation > 5) return 1;
    if (!HasAccessibleDepth()) return 2;
    if (operation != 0) {
        if (b == nullptr) return 3;
        if (!b->HasAccessibleDepth()) return 2;
    }
    const auto run = [&](CVelora& target) {
        // NOT reads A alone, over the whole image.
        const CVelora& source = operation == 0 || b == this ? target : *b;
        Region r{{target.m_pchMapaBits, target.m_bytesPerRow, target.GetHeight(), target.GetBitCount()},
                 {const_cast<std::uint8_t*>(source.GetBits()), source.GetBytesPerRow(), source.GetHeight(),
                  source.GetBitCount()},
                 std::min(target.GetWidth(), source.GetWidth()),
                 std::min(target.GetHeight(), source.GetHeight()),
                 0,
                 0};
        CombineLogical(r, operation);
    };
    return CoveringTheTable(*this, IsIndexed() && PaletteEntries() < GetMaxColors(), 4, run,
                            [](CVelora& im) { return im.CoverIndicesPresent(); });
}
