// Warps (ellipse, ripple, swirl, shear) and interlacing.
//
// Every coordinate that comes out of floating point is checked as a double before it becomes
// an integer, so that no argument (a zero radius, an amplitude near the int limits, a percent
// of 100) can make a conversion overflow or meet a NaN.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>
#include <utility>
#include <vector>

#include "ByteRows.h"
#include "CVelora.h"
#include "Parallel.h"
#include "PixelRow.h"
#include "MathLanes.h"
#include "LargeArrays.h"

using velora::detail::ForEachRowBand;
using velora::detail::HasAvx2;
using velora::detail::ReadPixel;
using velora::detail::WritePixel;
using velora::detail::RefuseWithoutMemory;

namespace {

template <unsigned D>
using Depth = std::integral_constant<unsigned, D>;

// Calls f with the depth as a compile-time constant, so that the pixel accessors fold.
template <class F>
void WithDepth(unsigned depth, F&& f) {
    switch (depth) {
        case 1: f(Depth<1>{}); break;
        case 4: f(Depth<4>{}); break;
        case 8: f(Depth<8>{}); break;
        case 24: f(Depth<24>{}); break;
        case 32: f(Depth<32>{}); break;
        default: break;
    }
}

// Writes value into the first width pixels of a row (alpha bytes stay).
template <unsigned D>
void FillRow(std::uint8_t* row, std::int32_t width, std::uint32_t value) {
    if constexpr (D == 8) {
        std::memset(row, int(value & 0xFFu), std::size_t(width));
    } else if constexpr (D == 24) {
        // One pixel, then the filled part doubled.
        if (width <= 0) return;
        WritePixel(row, 0, D, value);
        const std::size_t bytes = 3 * std::size_t(width);
        for (std::size_t done = 3; done < bytes; done *= 2) std::memcpy(row + done, row, std::min(done, bytes - done));
    } else {
        for (std::int32_t x = 0; x < width; ++x) WritePixel(row, x, D, value);
    }
}

// A pixel's colour (an alpha byte stays).
template <unsigned D>
inline void CopyColour(std::uint8_t* dst, std::int64_t dx, const std::uint8_t* src, std::int64_t sx) {
    if constexpr (D >= 8) {
        std::memcpy(dst + std::size_t(dx) * (D / 8), src + std::size_t(sx) * (D / 8), D == 8 ? 1 : 3);
    } else {
        WritePixel(dst, std::int32_t(dx), D, ReadPixel(src, std::int32_t(sx), D));
    }
}

// A whole pixel, alpha byte included (interlacing moves pixels, not colours).
template <unsigned D>
void CopyWholePixel(std::uint8_t* dst, std::int32_t dx, const std::uint8_t* src, std::int32_t sx) {
    if constexpr (D >= 8) {
        std::memcpy(dst + std::size_t(dx) * (D / 8), src + std::size_t(sx) * (D / 8), D / 8);
    } else {
        WritePixel(dst, dx, D, ReadPixel(src, sx, D));
    }
}

// A double that truncates to a valid index below limit, or -1. trunc(value) >= 0 exactly when
// value > -1; the conversion truncates by itself (no library call per pixel).
inline std::int64_t TruncatedIndex(double value, std::int64_t limit) {
    return value > -1.0 && value < double(limit) ? std::int64_t(value) : -1;  // NaN fails both tests
}

// Moves every column x down by offsetOf(x) = e rows (rows as displayed, any sign): the pixel
// of row y goes to trunc(y + e); rows no pixel reaches take fill. Rows are visited from the
// top, or from the bottom with fromBottom, and where two sources meet the one visited last
// wins. With e = n + f (n whole, 0 <= f < 1) row y goes to y + n wherever y + e >= 0, unless
// f lies so close to 1 that y + e rounds up to the next whole number; such columns take the
// direct evaluation. Just above -1, trunc sends y + e to row 0 as well: two sources meet
// there.
template <class OffsetOf>
void ShiftColumns(const std::uint8_t* inBits, std::uint8_t* outBits, std::size_t stride, std::int32_t width,
                  std::int32_t height, unsigned depth, std::uint32_t fill, const OffsetOf& offsetOf, bool fromBottom) {
    constexpr double kCloseToOne = 1.0 - 1.0 / 64;
    std::vector<std::int64_t> shift(static_cast<std::size_t>(width));  // n: source row = target - n
    std::vector<std::int64_t> toRowZero(static_cast<std::size_t>(width), -1);
    std::vector<std::int32_t> direct;
    for (std::int32_t x = 0; x < width; ++x) {
        const double e = offsetOf(x);
        const double n = std::floor(e), f = e - n;
        if (f > kCloseToOne) {
            direct.push_back(x);
            shift[std::size_t(x)] = std::numeric_limits<std::int32_t>::max() + std::int64_t(1);  // no row from here
            continue;
        }
        shift[std::size_t(x)] = std::int64_t(n);
        const std::int64_t onZero = -std::int64_t(n);                       // y + e in [0, 1)
        const std::int64_t belowZero = f > 0 ? -std::int64_t(n) - 1 : -1;  // y + e in (-1, 0)
        const bool zeroOk = onZero >= 0 && onZero < height, belowOk = belowZero >= 0 && belowZero < height;
        if (!fromBottom) toRowZero[std::size_t(x)] = zeroOk ? onZero : belowOk ? belowZero : -1;
        else toRowZero[std::size_t(x)] = belowOk ? belowZero : zeroOk ? onZero : -1;
    }
    const auto sourceRow = [&](std::int64_t y) { return inBits + std::size_t(height - 1 - y) * stride; };
    WithDepth(depth, [&](auto dd) {
        constexpr unsigned D = decltype(dd)::value;
        ForEachRowBand(height, stride, [&](std::int32_t first, std::int32_t last) {
            // Locals the byte stores cannot alias, so that they stay in registers.
            const std::int64_t* const shifts = shift.data();
            const std::int64_t* const zeroSources = toRowZero.data();
            const std::uint8_t* const inTop = sourceRow(0);  // row y lies y strides below it
            const std::ptrdiff_t rowStep = std::ptrdiff_t(stride);
            const std::int32_t columns = width, rows = height;
            const std::uint32_t background = fill;
            for (std::int32_t r = first; r < last; ++r) {
                const std::int32_t t = rows - 1 - r;
                std::uint8_t* out = outBits + std::size_t(r) * stride;
                for (std::int32_t x = 0; x < columns; ++x) {
                    const std::int64_t y = t == 0 ? zeroSources[x] : t - shifts[x];
                    if (std::uint64_t(y) < std::uint64_t(rows)) CopyColour<D>(out, x, inTop - y * rowStep, x);
                    else WritePixel(out, x, D, background);
                }
            }
        });
        for (const std::int32_t x : direct) {
            const double e = offsetOf(x);
            for (std::int32_t t = 0; t < height; ++t) WritePixel(outBits + std::size_t(height - 1 - t) * stride, x, D, fill);
            for (std::int32_t i = 0; i < height; ++i) {
                const std::int32_t y = fromBottom ? height - 1 - i : i;
                const std::int64_t t = TruncatedIndex(double(y) + e, height);
                if (t >= 0) WritePixel(outBits + std::size_t(height - 1 - t) * stride, x, D, ReadPixel(sourceRow(y), x, D));
            }
        }
    });
}

// Where a shear of type T sends source (i, j), before truncation; sources are visited columns
// outer, rows inner, and a later one overwrites an earlier one.
template <int T>
inline double ShearX(double i, double j, double s) {
    if constexpr (T == 0 || T == 9) return i + s * j;
    else if constexpr (T == 1 || T == 4 || T == 6) return i - s * j;
    else if constexpr (T == 7 || T == 8) return i - s * i;
    else return i;  // 2, 3, 5
}
template <int T>
inline double ShearY(double i, double j, double s) {
    if constexpr (T == 2 || T == 9) return j + s * i;
    else if constexpr (T == 3 || T == 4 || T == 8) return j - s * i;
    else if constexpr (T == 5 || T == 6) return j - s * j;
    else return j;  // 0, 1, 7
}

// Calls f with the shear type as a compile-time constant.
template <class F>
void WithShearType(int type, F&& f) {
    switch (type) {
        case 0: f(std::integral_constant<int, 0>{}); break;
        case 1: f(std::integral_constant<int, 1>{}); break;
        case 4: f(std::integral_constant<int, 4>{}); break;
        case 5: f(std::integral_constant<int, 5>{}); break;
        case 6: f(std::integral_constant<int, 6>{}); break;
        case 7: f(std::integral_constant<int, 7>{}); break;
        case 8: f(std::integral_constant<int, 8>{}); break;
        case 9: f(std::integral_constant<int, 9>{}); break;
        default: break;  // 2 and 3 move whole columns
    }
}

#if VELORA_X86
// The ellipse's sources for eight columns of a row at once: the rule's single-precision
// operations lane by lane (sqrt and division are exact in lanes as in scalar code), for
// pictures under 2^24 pixels a side, whose sizes and coordinates floats hold exactly.
struct EllipseLanes {
    float q, cx, cy, width, height;
    std::int32_t topRow, stride, pixelBytes;

    // Byte offsets into the picture's bits of the sources of columns x .. x + 7 (us holds each
    // column's u), -1 outside the picture.
    VELORA_AVX2 void Sources(const float* us, float v, std::int32_t* offsets) const {
        const __m256 u = _mm256_loadu_ps(us), vv = _mm256_set1_ps(v), zero = _mm256_setzero_ps();
        const __m256 magnitude = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF));
        const __m256 absU = _mm256_and_ps(u, magnitude), absV = _mm256_and_ps(vv, magnitude);
        const __m256 rad = _mm256_sqrt_ps(_mm256_add_ps(_mm256_mul_ps(u, u), _mm256_mul_ps(vv, vv)));
        const __m256 alongU = _mm256_and_ps(_mm256_div_ps(rad, u), magnitude);
        const __m256 alongV = _mm256_and_ps(_mm256_div_ps(rad, vv), magnitude);
        const __m256 k = _mm256_blendv_ps(alongV, alongU, _mm256_cmp_ps(absU, absV, _CMP_GT_OQ));
        // The centre itself (u = v = 0) keeps su = sv = 0.
        const __m256 off = _mm256_or_ps(_mm256_cmp_ps(u, zero, _CMP_NEQ_UQ), _mm256_cmp_ps(vv, zero, _CMP_NEQ_UQ));
        const __m256 su = _mm256_and_ps(_mm256_mul_ps(k, u), off), sv = _mm256_and_ps(_mm256_mul_ps(k, vv), off);
        const __m256 x = _mm256_add_ps(_mm256_div_ps(su, _mm256_set1_ps(q)), _mm256_set1_ps(cx));
        const __m256 y = _mm256_add_ps(sv, _mm256_set1_ps(cy));
        const __m256 minusOne = _mm256_set1_ps(-1.0f);
        const __m256 inside = _mm256_and_ps(
            _mm256_and_ps(_mm256_cmp_ps(x, minusOne, _CMP_GT_OQ), _mm256_cmp_ps(x, _mm256_set1_ps(width), _CMP_LT_OQ)),
            _mm256_and_ps(_mm256_cmp_ps(y, minusOne, _CMP_GT_OQ), _mm256_cmp_ps(y, _mm256_set1_ps(height), _CMP_LT_OQ)));
        const __m256i sx = _mm256_cvttps_epi32(_mm256_and_ps(x, inside)), sy = _mm256_cvttps_epi32(_mm256_and_ps(y, inside));
        const __m256i offset = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_sub_epi32(_mm256_set1_epi32(topRow), sy), _mm256_set1_epi32(stride)),
                                                _mm256_mullo_epi32(sx, _mm256_set1_epi32(pixelBytes)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(offsets),
                            _mm256_blendv_epi8(_mm256_set1_epi32(-1), offset, _mm256_castps_si256(inside)));
    }
};
#endif

#if VELORA_X86
// The swirl's sources for four distances from the centre at once.
struct SwirlLanes {
    double radius, k;
    double cx, cy, width, height;  // the centre and the picture's size, as the rule's doubles
    std::int64_t topRow;           // height - 1
    std::int64_t stride, pixelBytes;

    // The sources of the pixels at (+-dx, +-dy) from the centre for dx = adx .. adx + 3: byte
    // offsets into the picture's bits, -1 outside it, four lanes for each of (dx, dy), (-dx,
    // dy), (dx, -dy), (-dx, -dy) in turn. The rule's sums run on both ends of the bounds of
    // the library's sine and cosine (each sum rises or falls with each of them, by the signs
    // of dx and dy); false where the truncated ends differ in some lane, and the caller turns
    // those distances with the library's values.
    VELORA_AVX2 bool Sources(std::int64_t adx, double dy, std::int64_t* offsets) const {
        const __m256d dx = _mm256_add_pd(_mm256_set1_pd(double(adx)), _mm256_setr_pd(0, 1, 2, 3));
        const __m256d dyLanes = _mm256_set1_pd(dy), r = _mm256_set1_pd(radius);
        const __m256d rad = _mm256_sqrt_pd(_mm256_add_pd(_mm256_mul_pd(dx, dx), _mm256_mul_pd(dyLanes, dyLanes)));
        const __m256d theta = _mm256_mul_pd(_mm256_div_pd(_mm256_sub_pd(r, rad), r), _mm256_set1_pd(k));
        __m256d s, c;
        velora::detail::SinCosLanes(theta, s, c);
        const __m256d e = _mm256_set1_pd(velora::detail::kSinCosLaneError);
        const __m256d cLow = _mm256_sub_pd(c, e), cHigh = _mm256_add_pd(c, e);
        const __m256d sLow = _mm256_sub_pd(s, e), sHigh = _mm256_add_pd(s, e);
        const __m256d negative = _mm256_set1_pd(-0.0), zero = _mm256_setzero_pd();
        const __m256d centreX = _mm256_set1_pd(cx), centreY = _mm256_set1_pd(cy);
        const __m256d columns = _mm256_set1_pd(width), rows = _mm256_set1_pd(height);
        const __m128i top = _mm_set1_epi32(std::int32_t(topRow));
        const __m256i strideLanes = _mm256_set1_epi64x(stride), bytes = _mm256_set1_epi64x(pixelBytes);
        __m256d open = zero;
        for (int q = 0; q < 4; ++q) {
            const bool leftward = q & 1, upward = q & 2;
            const __m256d px = leftward ? _mm256_xor_pd(dx, negative) : dx;
            const __m256d py = upward ? _mm256_xor_pd(dyLanes, negative) : dyLanes;
            // x = c px - s py + cx, y = s px + c py + cy.
            const __m256d xLow = _mm256_add_pd(_mm256_sub_pd(_mm256_mul_pd(leftward ? cHigh : cLow, px),
                                                             _mm256_mul_pd(upward ? sLow : sHigh, py)), centreX);
            const __m256d xHigh = _mm256_add_pd(_mm256_sub_pd(_mm256_mul_pd(leftward ? cLow : cHigh, px),
                                                              _mm256_mul_pd(upward ? sHigh : sLow, py)), centreX);
            const __m256d yLow = _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(leftward ? sHigh : sLow, px),
                                                             _mm256_mul_pd(upward ? cHigh : cLow, py)), centreY);
            const __m256d yHigh = _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(leftward ? sLow : sHigh, px),
                                                              _mm256_mul_pd(upward ? cLow : cHigh, py)), centreY);
            const int toZero = _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC;
            const __m256d sx = _mm256_round_pd(xLow, toZero), sy = _mm256_round_pd(yLow, toZero);
            open = _mm256_or_pd(open, _mm256_cmp_pd(sx, _mm256_round_pd(xHigh, toZero), _CMP_NEQ_UQ));
            open = _mm256_or_pd(open, _mm256_cmp_pd(sy, _mm256_round_pd(yHigh, toZero), _CMP_NEQ_UQ));
            // trunc(v) >= 0 exactly where v > -1, as TruncatedIndex asks.
            const __m256d inside =
                _mm256_and_pd(_mm256_and_pd(_mm256_cmp_pd(sx, zero, _CMP_GE_OQ), _mm256_cmp_pd(sx, columns, _CMP_LT_OQ)),
                              _mm256_and_pd(_mm256_cmp_pd(sy, zero, _CMP_GE_OQ), _mm256_cmp_pd(sy, rows, _CMP_LT_OQ)));
            const __m256i column = _mm256_cvtepi32_epi64(_mm256_cvttpd_epi32(_mm256_and_pd(sx, inside)));
            const __m256i row = _mm256_cvtepi32_epi64(_mm_sub_epi32(top, _mm256_cvttpd_epi32(_mm256_and_pd(sy, inside))));
            const __m256i offset = _mm256_add_epi64(_mm256_mul_epu32(row, strideLanes), _mm256_mul_epu32(column, bytes));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(offsets + 4 * q),
                                _mm256_blendv_epi8(_mm256_set1_epi64x(-1), offset, _mm256_castpd_si256(inside)));
        }
        return _mm256_movemask_pd(open) == 0;
    }
};

#endif

}  // namespace

// ---------------------------------------------------------------- ellipse

unsigned CVelora::Ellipse() {
    return RefuseWithoutMemory(2, [&]() -> unsigned {
        if (!HasAccessibleDepth()) return 1;
        const std::int32_t width = GetWidth(), height = GetHeight();
        const unsigned depth = GetBitCount();
        const std::uint32_t outside = IsIndexed() ? std::max<std::uint32_t>(1, PaletteEntries()) - 1 : 0x00FFFFFFu;
        const float cx = float(width * 0.5), cy = float(height * 0.5);
        const float q = float(height) / float(width);
        std::vector<float> us(static_cast<std::size_t>(width));
        for (std::int32_t x = 0; x < width; ++x) us[std::size_t(x)] = (float(x) - cx) * q;

        CVelora result(*this);
        if (!result.HasImage()) return 2;  // no memory for the result
        const std::size_t stride = m_bytesPerRow;
        const std::uint8_t* const inBits = m_pchMapaBits;
        std::uint8_t* const outBits = result.m_pchMapaBits;
    #if VELORA_X86
        // Eight columns at a time for pictures of whole-byte pixels whose sizes, offsets and
        // coordinates the lanes' floats and 32-bit integers hold.
        const bool lanes = HasAvx2() && depth >= 8 && width < (1 << 24) && height < (1 << 24) &&
                           std::uint64_t(stride) * std::uint64_t(height) < (std::uint64_t(1) << 31);
        const EllipseLanes ellipseLanes{q, cx, cy, float(width), float(height), height - 1, std::int32_t(stride),
                                        std::int32_t(depth / 8)};
    #endif
        WithDepth(depth, [&](auto d) {
            constexpr unsigned D = decltype(d)::value;
            ForEachRowBand(height, stride, [&](std::int32_t first, std::int32_t last) {
                for (std::int32_t r = first; r < last; ++r) {
                    const std::int32_t y = height - 1 - r;
                    std::uint8_t* out = outBits + std::size_t(r) * stride;
                    const float v = float(y) - cy, absV = std::fabs(v);
                    std::int32_t x = 0;
    #if VELORA_X86
                    if constexpr (D >= 8) {
                        std::int32_t offsets[8];
                        // Locals the byte stores cannot alias, so that they stay in registers.
                        const std::uint8_t* const source = inBits;
                        const std::uint32_t fill = outside;
                        const std::int32_t columns = width;
                        for (; lanes && x + 8 <= columns; x += 8) {
                            ellipseLanes.Sources(&us[std::size_t(x)], v, offsets);
                            for (int i = 0; i < 8; ++i) {
                                std::uint8_t* p = out + std::size_t(x + i) * (D / 8);
                                if (offsets[i] >= 0) std::memcpy(p, source + offsets[i], D == 8 ? 1 : 3);  // alpha stays
                                else WritePixel(p, 0, D, fill);
                            }
                        }
                    }
    #endif
                    for (; x < width; ++x) {
                        const float u = us[std::size_t(x)];
                        float su = 0, sv = 0;
                        if (u != 0 || v != 0) {
                            const float rad = std::sqrt(u * u + v * v);
                            const float k = std::fabs(u) > absV ? std::fabs(rad / u) : std::fabs(rad / v);
                            su = k * u;
                            sv = k * v;
                        }
                        const std::int64_t sx = TruncatedIndex(su / q + cx, width);
                        const std::int64_t sy = TruncatedIndex(sv + cy, height);
                        const std::uint32_t value =
                            sx >= 0 && sy >= 0
                                ? ReadPixel(inBits + std::size_t(height - 1 - sy) * stride, std::int32_t(sx), D)
                                : outside;
                        WritePixel(out, x, D, value);
                    }
                }
            });
        });
        ReplaceKeepingName(std::move(result));
        return 0;
    });
}

// ---------------------------------------------------------------- ripple

unsigned CVelora::Ripple(int amplitude, int divisor, int startZone, std::uint32_t background) {
    return RefuseWithoutMemory(4, [&]() -> unsigned {
        if (startZone < 0 || startZone > 1) return 1;
        if (!HasAccessibleDepth()) return 2;
        if (divisor == 0) return 3;  // sin(x / 0) has no value
        const std::int32_t width = GetWidth(), height = GetHeight();
        const unsigned depth = GetBitCount();
        const std::uint32_t fill = BackgroundValue(background);

        const auto offsetOf = [&](std::int32_t x) {
            const double d = (std::sin(double(x) / double(divisor)) + 1.0) * double(amplitude);
            return startZone == 0 ? d : -d;  // the last zone: the same double as y - d
        };
        CVelora result(*this);
        if (!result.HasImage()) return 4;  // no memory for the result
        ShiftColumns(m_pchMapaBits, result.m_pchMapaBits, m_bytesPerRow, width, height, depth, fill, offsetOf, startZone == 1);
        ReplaceKeepingName(std::move(result));
        return 0;
    });
}

// ---------------------------------------------------------------- swirl

unsigned CVelora::Swirl(double angle, int radius) {
    if (!HasAccessibleDepth()) return 1;
    if (!std::isfinite(angle)) return 2;
    const std::int32_t width = GetWidth(), height = GetHeight();
    const unsigned depth = GetBitCount();
    const std::uint32_t outside = IsIndexed() ? std::max<std::uint32_t>(1, PaletteEntries()) - 1 : 0;  // the last entry
    const std::int32_t cx = width / 2, cy = height / 2;
    const double k = angle * 0.02741556778080377;  // pi^2 / 360
    const double R = radius;

    if (radius <= 0) return 0;  // only the centre lies within a radius of 0, and it turns onto itself
    // Pixels beyond the radius are their own source: each row is copied before it is turned,
    // by the band that turns it, and rows beyond the disc are copied here.
    CVelora result = BlankLike(width, height);
    if (!result.HasImage()) return 3;  // no memory for the result
    const std::size_t stride = m_bytesPerRow;
    const std::uint8_t* const inBits = m_pchMapaBits;
    std::uint8_t* const outBits = result.m_pchMapaBits;
    // The turn depends on the distance alone, so the four pixels (cx +- adx, cy +- ady)
    // share one sine and cosine; each still takes its own source. A band of distances ady
    // writes only the rows cy - ady and cy + ady.
    const std::int64_t rowReach = std::min<std::int64_t>(std::int64_t(radius) + 1, std::max(cy, height - 1 - cy));
    for (std::int32_t r = 0; r < height; ++r)  // storage row r shows row height - 1 - r
        if (std::abs(std::int64_t(height - 1 - r) - cy) > rowReach)
            std::memcpy(outBits + std::size_t(r) * stride, inBits + std::size_t(r) * stride, stride);
    const std::int64_t columnReach = std::int64_t(radius) + 1;
#if VELORA_X86
    // Four distances at a time where the processor has AVX2 and the turns stay within the
    // lanes' reach, for pixels of whole bytes.
    const bool lanes = HasAvx2() && std::fabs(k) <= velora::detail::kSinCosLaneLimit && depth >= 8 && width > 0;
    const SwirlLanes swirlLanes{R, k, double(cx), double(cy), double(width), double(height),
                                std::int64_t(height) - 1, std::int64_t(stride), std::int64_t(depth / 8)};
#endif
    WithDepth(depth, [&](auto dd) {
        constexpr unsigned D = decltype(dd)::value;
        const auto turn = [&](std::uint8_t* out, double dx, double dy, double c, double s) {
            const std::int64_t sx = TruncatedIndex(c * dx - s * dy + cx, width);
            const std::int64_t sy = TruncatedIndex(s * dx + c * dy + cy, height);
            const std::uint32_t value =
                sx >= 0 && sy >= 0 ? ReadPixel(inBits + std::size_t(height - 1 - sy) * stride, std::int32_t(sx), D)
                                   : outside;
            WritePixel(out, std::int32_t(dx + cx), D, value);
        };
        ForEachRowBand(std::int32_t(rowReach + 1), stride * 2, [&](std::int32_t first, std::int32_t last) {
            for (std::int32_t ady = first; ady < last; ++ady) {
                const std::int64_t below = std::int64_t(cy) + ady, above = std::int64_t(cy) - ady;
                std::uint8_t* outBelow = below < height ? outBits + std::size_t(height - 1 - below) * stride : nullptr;
                std::uint8_t* outAbove =
                    ady > 0 && above >= 0 ? outBits + std::size_t(height - 1 - above) * stride : nullptr;
                if (outBelow) std::memcpy(outBelow, inBits + (outBelow - outBits), stride);
                if (outAbove) std::memcpy(outAbove, inBits + (outAbove - outBits), stride);
                const double dy = ady;
                // Whether the pixels at distance adx along the row are in the picture and the disc:
                // once not, no farther one is.
                const auto within = [&](std::int64_t adx) {
                    const bool right = cx + adx < width, left = adx > 0 && cx - adx >= 0;
                    const double dx = double(adx);
                    return adx <= columnReach && (right || left) && std::sqrt(dx * dx + dy * dy) <= R;
                };
                const auto turnAll = [&](std::int64_t adx) {
                    const bool right = cx + adx < width, left = adx > 0 && cx - adx >= 0;
                    const double dx = double(adx);
                    const double rad = std::sqrt(dx * dx + dy * dy);
                    const double theta = (R - rad) / R * k;
                    const double c = std::cos(theta), s = std::sin(theta);
                    if (outBelow) {
                        if (right) turn(outBelow, dx, dy, c, s);
                        if (left) turn(outBelow, -dx, dy, c, s);
                    }
                    if (outAbove) {
                        if (right) turn(outAbove, dx, -dy, c, s);
                        if (left) turn(outAbove, -dx, -dy, c, s);
                    }
                };
                std::int64_t adx = 0;
#if VELORA_X86
                if constexpr (D >= 8) {
                    // The first distance beyond the row's reach, from the disc's edge.
                    const std::int64_t widest = std::max<std::int64_t>(cx, std::int64_t(width) - 1 - cx) + 1;
                    std::int64_t end = std::clamp<std::int64_t>(
                        std::int64_t(std::min(std::sqrt(std::max(0.0, R * R - dy * dy)), double(widest))), 0,
                        std::min(columnReach + 1, widest));
                    while (within(end)) ++end;
                    while (end > 0 && !within(end - 1)) --end;
                    std::int64_t offsets[16];
                    const auto put = [&](std::uint8_t* out, std::int64_t x, std::int64_t offset) {
                        std::uint8_t* p = out + std::size_t(x) * (D / 8);
                        if (offset >= 0) std::memcpy(p, inBits + offset, D == 8 ? 1 : 3);  // alpha stays
                        else WritePixel(p, 0, D, outside);
                    };
                    // Distances whose four pixels all lie in the picture.
                    const std::int64_t inner = std::min<std::int64_t>(cx, std::int64_t(width) - 1 - cx);
                    for (; lanes && adx + 4 <= end; adx += 4) {
                        if (!swirlLanes.Sources(adx, dy, offsets)) {
                            for (std::int64_t a = adx; a < adx + 4; ++a) turnAll(a);
                            continue;
                        }
                        if (adx > 0 && adx + 3 <= inner && outBelow && outAbove) {
                            for (int lane = 0; lane < 4; ++lane) {
                                put(outBelow, cx + adx + lane, offsets[lane]);
                                put(outBelow, cx - adx - lane, offsets[4 + lane]);
                                put(outAbove, cx + adx + lane, offsets[8 + lane]);
                                put(outAbove, cx - adx - lane, offsets[12 + lane]);
                            }
                            continue;
                        }
                        for (int lane = 0; lane < 4; ++lane) {
                            const std::int64_t a = adx + lane;
                            const bool right = cx + a < width, left = a > 0 && cx - a >= 0;
                            if (outBelow) {
                                if (right) put(outBelow, cx + a, offsets[lane]);
                                if (left) put(outBelow, cx - a, offsets[4 + lane]);
                            }
                            if (outAbove) {
                                if (right) put(outAbove, cx + a, offsets[8 + lane]);
                                if (left) put(outAbove, cx - a, offsets[12 + lane]);
                            }
                        }
                    }
                }
#endif
                for (; within(adx); ++adx) turnAll(adx);
            }
        });
    });
    ReplaceKeepingName(std::move(result));
    return 0;
}

// ---------------------------------------------------------------- shear

unsigned CVelora::Shear(int type, double percent, std::uint32_t background) {
    return RefuseWithoutMemory(4, [&]() -> unsigned {
        if (!HasAccessibleDepth()) return 1;
        if (type < 0 || type > 9) return 2;
        if (!(percent >= 0 && percent <= 100)) return 3;
        const std::int32_t width = GetWidth(), height = GetHeight();
        const unsigned depth = GetBitCount();
        const std::uint32_t fill = BackgroundValue(background);
        const double s = type <= 3 ? percent / 50 : percent / 100;

        // Alpha bytes and padding stay as they were: whole columns are moved on a copy, and the
        // other walks copy their bands' rows before filling them.
        CVelora result = type == 2 || type == 3 ? CVelora(*this) : BlankLike(width, height);
        if (!result.HasImage()) return 4;  // no memory for the result
        const std::size_t stride = m_bytesPerRow;
        const std::uint8_t* const inBits = m_pchMapaBits;
        std::uint8_t* const outBits = result.m_pchMapaBits;
        const auto inRow = [&](std::int64_t y) { return inBits + std::size_t(height - 1 - y) * stride; };
        const auto outRow = [&](std::int64_t y) { return outBits + std::size_t(height - 1 - y) * stride; };
        if (type == 2 || type == 3) {
            // Each column moves as a whole, by s i rows (type 3: the same double as j - s i).
            ShiftColumns(inBits, outBits, stride, width, height, depth, fill,
                         [type, s](std::int32_t i) { return type == 2 ? s * double(i) : -(s * double(i)); }, false);
            ReplaceKeepingName(std::move(result));
            return 0;
        }
        WithShearType(type, [&](auto tt) { WithDepth(depth, [&](auto dd) {
            constexpr int T = decltype(tt)::value;
            constexpr unsigned D = decltype(dd)::value;
            const auto targetX = [s](double i, double j) { return ShearX<T>(i, j, s); };
            const auto targetY = [s](double i, double j) { return ShearY<T>(i, j, s); };
            if constexpr (T == 0 || T == 1 || T == 7) {
                // Rows stay rows: a row's sources are its own, met in column order.
                ForEachRowBand(height, stride, [&](std::int32_t first, std::int32_t last) {
                    for (std::int32_t r = first; r < last; ++r) {
                        const std::int32_t j = height - 1 - r;
                        std::uint8_t* out = outBits + std::size_t(r) * stride;
                        const std::uint8_t* in = inBits + std::size_t(r) * stride;
                        std::memcpy(out, in, stride);
                        FillRow<D>(out, width, fill);
                        const std::int32_t columns = width;  // a local the byte stores cannot alias
                        for (std::int32_t i = 0; i < columns; ++i) {
                            const std::int64_t x = TruncatedIndex(targetX(i, j), columns);
                            if (x >= 0) CopyColour<D>(out, x, in, i);
                        }
                    }
                });
                return;
            } else {
            // Both coordinates move. The sources are walked in tiles of columns, left to right, so
            // a later tile overwrites an earlier one as the column order wants; within a tile rows
            // run along the bytes, and each target remembers the column that wrote it (plus one),
            // so that an earlier column of the tile does not overwrite a later one. Where columns
            // stay columns (type 5) two sources meet only within a column, where the row order is
            // the visiting order, and nothing need be remembered.
            // Each band of output rows takes, in every tile, the source rows whose targets can
            // reach it: y = j + c (c = +-s i) or y = (1 - s) j up to a rounding error far below a
            // thousandth of a row, which the margins hold.
            constexpr std::int32_t kTileColumns = 64;
            constexpr bool columnsStay = T == 5, scaled = T == 5 || T == 6;  // scaled: y = j - s j
            // Sources that meet lie within a few rows of each other, and the rows written between
            // them lie within `reach` rows of theirs. So the writers need only a ring of rows, each
            // slot stamped with the row it holds: (row << 32) | column + 1.
            const double spread = scaled ? 0.0 : s * (kTileColumns - 1);
            const std::size_t reach = std::size_t(std::ceil(spread)) + 3;
            std::size_t ringRows = 1;
            while (ringRows < 2 * reach + 1) ringRows *= 2;
            ForEachRowBand(height, stride, [&](std::int32_t first, std::int32_t last) {
                for (std::int32_t r = first; r < last; ++r) {
                    std::memcpy(outBits + std::size_t(r) * stride, inBits + std::size_t(r) * stride, stride);
                    FillRow<D>(outBits + std::size_t(r) * stride, width, fill);
                }
                const std::int64_t firstRow = height - last, lastRow = height - 1 - first;  // as displayed
                const double lowRow = double(firstRow), highRow = double(lastRow);
                std::vector<std::uint64_t> writer(columnsStay ? 0 : ringRows * std::size_t(width), 0);
                for (std::int32_t i0 = 0; i0 < width; i0 += kTileColumns) {
                    const std::int32_t i1 = std::min(width, i0 + kTileColumns);
                    double from = 0, to = height - 1;
                    if (!scaled) {
                        const double c0 = targetY(i0, 0), c1 = targetY(i1 - 1, 0);
                        from = lowRow - std::max(c0, c1) - 1;
                        to = highRow - std::min(c0, c1) + 1;
                    } else if (s < 1) {
                        from = (lowRow - 1e-3) / (1 - s);
                        to = (highRow + 1 + 1e-3) / (1 - s);
                    }
                    const std::int32_t j0 = std::int32_t(std::clamp(std::floor(from), 0.0, double(height)));
                    const std::int32_t j1 = std::int32_t(std::clamp(std::ceil(to), -1.0, double(height - 1)));
                    // Locals the byte stores cannot alias, so that they stay in registers.
                    std::uint8_t* const outTop = outRow(0);  // row y lies y strides below it
                    const std::ptrdiff_t rowStep = std::ptrdiff_t(stride);
                    std::uint64_t* const slots = writer.data();
                    const std::size_t ringMask = ringRows - 1, slotRow = std::size_t(width);
                    const std::int64_t columns = width, rows = height;
                    for (std::int32_t j = j0; j <= j1; ++j) {
                        const std::uint8_t* in = inRow(j);
                        for (std::int32_t i = i0; i < i1; ++i) {
                            const std::int64_t y = TruncatedIndex(targetY(i, j), rows);
                            if (y < firstRow || y > lastRow) continue;
                            const std::int64_t x = TruncatedIndex(targetX(i, j), columns);
                            if (x < 0) continue;
                            if constexpr (!columnsStay) {
                                const std::uint64_t stamp = std::uint64_t(y) << 32 | (std::uint64_t(i) + 1);
                                std::uint64_t& w = slots[(std::size_t(y) & ringMask) * slotRow + std::size_t(x)];
                                if ((w ^ stamp) >> 32 == 0 && w > stamp) continue;  // a later column of this row's sources
                                w = stamp;
                            }
                            CopyColour<D>(outTop - y * rowStep, x, in, i);
                        }
                    }
                }
            });
            }
        }); });
        ReplaceKeepingName(std::move(result));
        return 0;
    });
}

// ---------------------------------------------------------------- interlacing

unsigned CVelora::Interlace(int kind, const CVelora* a, const CVelora* b) {
    if (kind < 0 || kind > 1) return 1;
    if (!a || !b || !a->HasImage() || !b->HasImage()) return 2;
    if (!HasAccessibleDepth() || !a->HasAccessibleDepth() || !b->HasAccessibleDepth()) return 3;
    if (a->GetBitCount() != b->GetBitCount()) return 4;
    if (kind == 0 && a->GetWidth() != b->GetWidth()) return 5;
    if (kind == 1 && a->GetHeight() != b->GetHeight()) return 6;
    const std::int64_t outWidth = kind == 0 ? a->GetWidth() : std::int64_t(a->GetWidth()) + b->GetWidth();
    const std::int64_t outHeight = kind == 0 ? std::int64_t(a->GetHeight()) + b->GetHeight() : a->GetHeight();
    if (outWidth > std::numeric_limits<std::int32_t>::max() || outHeight > std::numeric_limits<std::int32_t>::max())
        return 7;
    // The colour table stays unless it could not describe a's pixels.
    const CVelora& model = GetBitCount() == a->GetBitCount() ? *this : *a;
    CVelora result = model.BlankLike(std::int32_t(outWidth), std::int32_t(outHeight));
    if (!result.HasImage()) return 7;

    const unsigned depth = a->GetBitCount();
    const std::size_t stride = result.m_bytesPerRow;
    std::uint8_t* const outBits = result.m_pchMapaBits;
    const std::int32_t height = result.GetHeight(), width = result.GetWidth();
    if (kind == 0) {
        // Displayed row 2i is a's row i, 2i + 1 is b's; the taller one's rest follows.
        const std::int32_t common = std::min(a->GetHeight(), b->GetHeight());
        const CVelora& taller = a->GetHeight() >= b->GetHeight() ? *a : *b;
        ForEachRowBand(height, stride, [&](std::int32_t first, std::int32_t last) {
            for (std::int32_t r = first; r < last; ++r) {
                const std::int32_t y = height - 1 - r;
                const std::uint8_t* in = y < 2 * common ? (y % 2 == 0 ? a : b)->Row(y / 2) : taller.Row(y - common);
                std::memcpy(outBits + std::size_t(r) * stride, in, stride);
            }
        });
    } else {
        const std::int32_t common = std::min(a->GetWidth(), b->GetWidth());
        const CVelora& wider = a->GetWidth() >= b->GetWidth() ? *a : *b;
        WithDepth(depth, [&](auto dd) {
            constexpr unsigned D = decltype(dd)::value;
            ForEachRowBand(height, stride, [&](std::int32_t first, std::int32_t last) {
                for (std::int32_t r = first; r < last; ++r) {
                    const std::int32_t y = height - 1 - r;
                    std::uint8_t* out = outBits + std::size_t(r) * stride;
                    std::memset(out, 0, stride);
                    const std::uint8_t *rowA = a->Row(y), *rowB = b->Row(y), *rowRest = wider.Row(y);
                    for (std::int32_t x = 0; x < width; ++x) {
                        if (x < 2 * common) CopyWholePixel<D>(out, x, x % 2 == 0 ? rowA : rowB, x / 2);
                        else CopyWholePixel<D>(out, x, rowRest, x - common);
                    }
                }
            });
        });
    }
    // The table kept may be shorter than a's and b's indices reach.
    if (result.IsIndexed() && !result.CoverIndicesPresent()) return 7;
    ReplaceKeepingName(std::move(result));
    return 0;
}

unsigned CVelora::Deinterlace(int kind, int parity) {
    return RefuseWithoutMemory(5, [&]() -> unsigned {
        if (!HasAccessibleDepth()) return 1;
        if (kind < 0 || kind > 1) return 2;
        if (parity != 1 && parity != 2) return 3;
        const std::int32_t width = GetWidth(), height = GetHeight();
        const std::int32_t kept = kind == 0 ? height : width;
        const std::int32_t count = parity == 1 ? kept - kept / 2 : kept / 2;
        if (count < 1) return 4;  // an image without rows or columns could be neither shown nor saved
        const std::int32_t offset = parity - 1;
        CVelora result = BlankLike(kind == 0 ? width : count, kind == 0 ? count : height);
        if (!result.HasImage()) return 5;
        const std::size_t stride = result.m_bytesPerRow;
        std::uint8_t* const outBits = result.m_pchMapaBits;
        const std::int32_t outHeight = result.GetHeight(), outWidth = result.GetWidth();
        if (kind == 0) {
            ForEachRowBand(outHeight, stride, [&](std::int32_t first, std::int32_t last) {
                for (std::int32_t r = first; r < last; ++r)
                    std::memcpy(outBits + std::size_t(r) * stride, Row(2 * (outHeight - 1 - r) + offset), stride);
            });
        } else {
            WithDepth(GetBitCount(), [&](auto dd) {
                constexpr unsigned D = decltype(dd)::value;
                ForEachRowBand(outHeight, stride, [&](std::int32_t first, std::int32_t last) {
                    for (std::int32_t r = first; r < last; ++r) {
                        std::uint8_t* out = outBits + std::size_t(r) * stride;
                        std::memset(out, 0, stride);
                        const std::uint8_t* in = Row(outHeight - 1 - r);
                        for (std::int32_t x = 0; x < outWidth; ++x) CopyWholePixel<D>(out, x, in, 2 * x + offset);
                    }
                });
            });
        }
        ReplaceKeepingName(std::move(result));
        return 0;
    });
}
