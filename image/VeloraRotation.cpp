// Rotation in the plane and about three axes: nearest neighbour, into a new image.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <type_traits>
#include <vector>

#include "ByteRows.h"
#include "CVelora.h"
#include "Parallel.h"
#include "PixelRow.h"
#include "VectorTarget.h"
#include "LargeArrays.h"

using velora::detail::ForEachRowBand;
using velora::detail::HasAvx2;
using velora::detail::ReadPixel;
using velora::detail::WritePixel;
using velora::detail::RefuseWithoutMemory;

namespace {

// RoundHalfDown without the library calls: floor by truncation, then the same fraction test.
// The arguments are coordinates, far inside the range of a 64-bit integer.
inline std::int64_t RoundedCoordinate(double x) {
    std::int64_t f = std::int64_t(x);
    if (double(f) > x) --f;
    return x - double(f) > 0.5 ? f + 1 : f;
}

bool AngleInRange(double angle) { return angle >= -360.0 && angle <= 360.0; }  // false for NaN

double Radians(double degrees) { return degrees / 180.0 * std::numbers::pi; }


// Writes whole pixels of `bytes` bytes (1 to 4), from a little-endian value.
template <unsigned Bytes>
inline void PutBytes(std::uint8_t* p, std::uint32_t value) {
    if constexpr (Bytes == 1) {
        *p = std::uint8_t(value);
    } else {
        std::memcpy(p, &value, Bytes);
    }
}

// Fills rows of a result with the background (padding 0).
void FillRows(std::uint8_t* bits, std::size_t stride, std::int32_t first, std::int32_t last, std::int32_t width,
              unsigned depth, std::uint32_t background) {
    for (std::int32_t r = first; r < last; ++r) {
        std::uint8_t* row = bits + std::size_t(r) * stride;
        std::memset(row, 0, stride);
        switch (depth) {
            case 1:
            case 4:
                for (std::int32_t x = 0; x < width; ++x) WritePixel(row, x, depth, background);
                break;
            case 8: std::memset(row, int(background & 0xFFu), std::size_t(width)); break;
            default:
                if (r > first) {  // the band's first row, already filled
                    std::memcpy(row, bits + std::size_t(first) * stride, stride);
                    break;
                }
                for (std::size_t x = 0; x < std::size_t(width); ++x) {
                    switch (depth) {
                        case 16: PutBytes<2>(row + 2 * x, background); break;
                        case 24: PutBytes<3>(row + 3 * x, background); break;
                        default: PutBytes<4>(row + 4 * x, background); break;
                    }
                }
                break;
        }
    }
}

// One output row of the in-plane rotation. The source coordinates are the per-pixel rule's
// own expressions: the column terms u*c and u*s come precomputed, the row terms v*s and v*c
// are the same for the whole row, so every sum is the one the rule evaluates.
struct RotationRow {
    const double* uc;  // u * c by output column
    const double* us;  // u * s by output column
    std::int32_t outWidth;
    std::int32_t inWidth, inHeight;
    double halfWidth, halfHeight;  // W div 2, H div 2 of the source
    const std::uint8_t* inBits;
    std::size_t inStride;
    std::uint32_t background;
    std::int64_t sourcesAhead;  // how far a later row's sources lie from this row's, in bytes

    // The source pixel (sx, sy) into p, or the background where it lies outside the source.
    template <unsigned Bytes>
    void CopyOrFill(std::uint8_t* p, std::int64_t sx, std::int64_t sy) const {
        if (std::uint64_t(sx) < std::uint64_t(inWidth) && std::uint64_t(sy) < std::uint64_t(inHeight)) {
            const std::uint8_t* q = inBits + std::size_t(inHeight - 1 - sy) * inStride + Bytes * std::size_t(sx);
            std::memcpy(p, q, Bytes);
        } else {
            PutBytes<Bytes>(p, background);
        }
    }

    template <unsigned Bytes>
    void Run(std::uint8_t* out, double vs, double vc, std::int32_t from, std::int32_t to) const {
#if VELORA_X86
        if (HasAvx2()) {
            // The coordinates four at a time, then the copies one by one (AVX2's gather was
            // slower than plain loads on the processors we measured).
            std::int64_t offsets[kChunk];
            // Three-byte pixels move as four bytes where both the source's fourth byte and the
            // target's are the next pixel's (the target's is written again after): not at the
            // source's last pixel, nor at the row's last (the row's padding, or the next row,
            // which another band may own).
            const std::int64_t wideSources = std::int64_t(inStride) * inHeight - 3;
            const std::int32_t wideTargets = outWidth - 1;
            for (std::int32_t x0 = from; x0 < to; x0 += kChunk) {
                const std::int32_t x1 = std::min(to, x0 + kChunk);
                const std::int32_t done = SourceOffsetsAvx2(vs, vc, Bytes, x0, x1, offsets);
                // A steep turn reads a new source row every few columns, and the processor does
                // not fetch such rows ahead by itself: ask for a later row's sources.
                for (std::int32_t i = 0; i < done; i += 16)
                    if (offsets[i] >= 0)
                        _mm_prefetch(reinterpret_cast<const char*>(std::uintptr_t(inBits) + std::uintptr_t(offsets[i] + sourcesAhead)),
                                     _MM_HINT_T0);
                std::int32_t x = x0;
                for (; x < x0 + done; ++x) {
                    const std::int64_t offset = offsets[x - x0];
                    std::uint8_t* p = out + Bytes * std::size_t(x);
                    if constexpr (Bytes == 3) {
                        if (offset >= 0 && offset < wideSources && x < wideTargets) std::memcpy(p, inBits + offset, 4);
                        else if (offset >= 0) std::memcpy(p, inBits + offset, 3);
                        else if (x < wideTargets) std::memcpy(p, &background, 4);
                        else PutBytes<3>(p, background);
                    } else {
                        if (offset >= 0) std::memcpy(p, inBits + offset, Bytes);
                        else PutBytes<Bytes>(p, background);
                    }
                }
                for (x = x0 + done; x < x1; ++x) {
                    const std::int64_t sx = RoundedCoordinate(uc[x] - vs + halfWidth);
                    const std::int64_t sy = RoundedCoordinate(halfHeight - (vc + us[x]));
                    CopyOrFill<Bytes>(out + Bytes * std::size_t(x), sx, sy);
                }
            }
            return;
        }
#endif
        for (std::int32_t x = from; x < to; ++x) {
            const std::int64_t sx = RoundedCoordinate(uc[x] - vs + halfWidth);
            const std::int64_t sy = RoundedCoordinate(halfHeight - (vc + us[x]));
            CopyOrFill<Bytes>(out + Bytes * std::size_t(x), sx, sy);
        }
    }

#if VELORA_X86
    static constexpr std::int32_t kChunk = 64;

    // The byte offsets of the sources of columns [from, to) from inBits, -1 where a source
    // lies outside, four columns at a time: the same double sums as the rule, and floor
    // with the same fraction test as RoundedCoordinate. Returns how many columns it did (a
    // multiple of four); the rest are the caller's. The offsets fit in 64 bits, the row
    // numbers and the stride in 32.
    VELORA_AVX2 std::int32_t SourceOffsetsAvx2(double vs, double vc, unsigned bytes, std::int32_t from, std::int32_t to,
                                               std::int64_t* offsets) const {
        const __m256d vsLanes = _mm256_set1_pd(vs), vcLanes = _mm256_set1_pd(vc);
        const __m256d hw = _mm256_set1_pd(halfWidth), hh = _mm256_set1_pd(halfHeight);
        const __m256d half = _mm256_set1_pd(0.5), one = _mm256_set1_pd(1.0), zero = _mm256_setzero_pd();
        const __m256d width = _mm256_set1_pd(double(inWidth)), height = _mm256_set1_pd(double(inHeight));
        const __m128i topRow = _mm_set1_epi32(inHeight - 1);
        const __m256i stride = _mm256_set1_epi64x(std::int64_t(inStride)), pixel = _mm256_set1_epi64x(bytes);
        std::int32_t x = from;
        for (; x + 4 <= to; x += 4) {
            const __m256d ax = _mm256_add_pd(_mm256_sub_pd(_mm256_loadu_pd(uc + x), vsLanes), hw);
            const __m256d ay = _mm256_sub_pd(hh, _mm256_add_pd(vcLanes, _mm256_loadu_pd(us + x)));
            const __m256d fx = _mm256_floor_pd(ax), fy = _mm256_floor_pd(ay);
            const __m256d sx = _mm256_add_pd(fx, _mm256_and_pd(_mm256_cmp_pd(_mm256_sub_pd(ax, fx), half, _CMP_GT_OQ), one));
            const __m256d sy = _mm256_add_pd(fy, _mm256_and_pd(_mm256_cmp_pd(_mm256_sub_pd(ay, fy), half, _CMP_GT_OQ), one));
            const __m256d inside = _mm256_and_pd(
                _mm256_and_pd(_mm256_cmp_pd(sx, zero, _CMP_GE_OQ), _mm256_cmp_pd(sx, width, _CMP_LT_OQ)),
                _mm256_and_pd(_mm256_cmp_pd(sy, zero, _CMP_GE_OQ), _mm256_cmp_pd(sy, height, _CMP_LT_OQ)));
            // Outside lanes may not convert; they are replaced below.
            const __m256d safeX = _mm256_and_pd(sx, inside), safeY = _mm256_and_pd(sy, inside);
            const __m256i column = _mm256_cvtepi32_epi64(_mm256_cvttpd_epi32(safeX));
            const __m256i row = _mm256_cvtepi32_epi64(_mm_sub_epi32(topRow, _mm256_cvttpd_epi32(safeY)));
            const __m256i offset = _mm256_add_epi64(_mm256_mul_epu32(row, stride), _mm256_mul_epu32(column, pixel));
            const __m256i result = _mm256_or_si256(_mm256_and_si256(offset, _mm256_castpd_si256(inside)),
                                                   _mm256_andnot_si256(_mm256_castpd_si256(inside), _mm256_set1_epi64x(-1)));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(offsets + (x - from)), result);
        }
        return x - from;
    }
#endif

    // The same row for a quarter turn: source coordinates step by whole pixels, from (sx, sy)
    // at column `from` by (dsx, dsy) per column.
    template <unsigned Bytes>
    void RunStepping(std::uint8_t* out, std::int64_t sx, std::int64_t sy, std::int64_t dsx, std::int64_t dsy,
                     std::int32_t from, std::int32_t to) const {
        for (std::int32_t x = from; x < to; ++x, sx += dsx, sy += dsy) {
            CopyOrFill<Bytes>(out + Bytes * std::size_t(x), sx, sy);
        }
    }

    void RunPacked(std::uint8_t* out, double vs, double vc, unsigned depth, std::int32_t from, std::int32_t to) const {
        for (std::int32_t x = from; x < to; ++x) {
            const std::int64_t sx = RoundedCoordinate(uc[x] - vs + halfWidth);
            const std::int64_t sy = RoundedCoordinate(halfHeight - (vc + us[x]));
            std::uint32_t value = background;
            if (std::uint64_t(sx) < std::uint64_t(inWidth) && std::uint64_t(sy) < std::uint64_t(inHeight))
                value = ReadPixel(inBits + std::size_t(inHeight - 1 - sy) * inStride, std::int32_t(sx), depth);
            WritePixel(out, x, depth, value);
        }
    }
};

// Where the turn in depth puts the sources of columns [from, to) of one row: byte offsets
// from the output's storage row 0, or -1 for a source that lands outside the band's rows
// [lowRow, highRow] or outside the image. columnBytes[x] is the target column's byte
// offset, -1 outside. The row is int64(pyc + tilt[x] + halfHeight), as the rule sums it.
void TiltTargets(const double* tilt, const std::int64_t* columnBytes, double pyc, double halfHeight,
                 std::int64_t lowRow, std::int64_t highRow, std::int32_t height, std::size_t stride,
                 std::int32_t from, std::int32_t to, std::int64_t* offsets) {
    for (std::int32_t x = from; x < to; ++x) {
        const std::int64_t ty = std::int64_t(pyc + tilt[x] + halfHeight);
        const bool inside = columnBytes[x] >= 0 && ty >= lowRow && ty <= highRow;
        offsets[x - from] = inside ? std::int64_t(height - 1 - ty) * std::int64_t(stride) + columnBytes[x] : -1;
    }
}

#if VELORA_X86
// The same, four columns at a time; returns how many columns it did (a multiple of four).
// Rows past the band are compared as doubles before they become integers.
VELORA_AVX2 std::int32_t TiltTargetsAvx2(const double* tilt, const std::int64_t* columnBytes, double pyc, double halfHeight,
                                         std::int64_t lowRow, std::int64_t highRow, std::int32_t height,
                                         std::size_t stride, std::int32_t from, std::int32_t to, std::int64_t* offsets) {
    const __m256d pycLanes = _mm256_set1_pd(pyc), middle = _mm256_set1_pd(halfHeight);
    const __m256d low = _mm256_set1_pd(double(lowRow)), high = _mm256_set1_pd(double(highRow));
    const __m128i topRow = _mm_set1_epi32(height - 1);
    const __m256i strideLanes = _mm256_set1_epi64x(std::int64_t(stride)), none = _mm256_set1_epi64x(-1);
    std::int32_t x = from;
    for (; x + 4 <= to; x += 4) {
        const __m256d sum = _mm256_add_pd(_mm256_add_pd(pycLanes, _mm256_loadu_pd(tilt + x)), middle);
        const __m256d ty = _mm256_round_pd(sum, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
        const __m256d inBand = _mm256_and_pd(_mm256_cmp_pd(ty, low, _CMP_GE_OQ), _mm256_cmp_pd(ty, high, _CMP_LE_OQ));
        const __m256i columns = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(columnBytes + x));
        const __m256i inside = _mm256_andnot_si256(_mm256_cmpgt_epi64(_mm256_setzero_si256(), columns),
                                                   _mm256_castpd_si256(inBand));
        const __m256i row = _mm256_cvtepi32_epi64(_mm_sub_epi32(topRow, _mm256_cvttpd_epi32(_mm256_and_pd(ty, inBand))));
        const __m256i offset = _mm256_add_epi64(_mm256_mul_epu32(row, strideLanes), columns);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(offsets + (x - from)), _mm256_blendv_epi8(none, offset, inside));
    }
    return x - from;
}
#endif

}  // namespace

// The in-plane rotation of source into a new image; no image when it cannot be had.
static CVelora RotatedImage(const CVelora& source, int mode, double theta, std::uint32_t background,
                            CVelora (*blankLike)(const CVelora&, std::int32_t, std::int32_t)) {
    const double t = Radians(theta);
    const double s = std::sin(t), c = std::cos(t);
    const std::int32_t width = source.GetWidth(), height = source.GetHeight();
    std::int64_t outWidth = width, outHeight = height;
    if (mode == 0) {
        const std::int64_t wc = RoundedCoordinate(width * c), hs = RoundedCoordinate(height * s);
        const std::int64_t hc = RoundedCoordinate(height * c), ws = RoundedCoordinate(width * s);
        outWidth = std::max(std::abs(wc + hs), std::abs(hs - wc));
        outHeight = std::max(std::abs(hc + ws), std::abs(hc - ws));
    }
    if (outWidth > INT32_MAX || outHeight > INT32_MAX) return CVelora(nullptr, nullptr, -1, -1, 0);
    CVelora result = blankLike(source, std::int32_t(outWidth), std::int32_t(outHeight));
    if (!result.HasImage()) return result;

    const std::int32_t w = std::int32_t(outWidth), h = std::int32_t(outHeight);
    std::vector<double> uc(static_cast<std::size_t>(w)), us(static_cast<std::size_t>(w));
    for (std::int32_t x = 0; x < w; ++x) {
        const double u = double(x - w / 2);
        uc[std::size_t(x)] = u * c;
        us[std::size_t(x)] = u * s;
    }
    // A quarter turn (or none, or a half) whose sine and cosine are within a rounding error of
    // 0 and +-1: every coordinate the rule computes is then an integer plus an error far below
    // one half over the whole extent, so it rounds to that integer, and the source steps by
    // whole pixels along the row.
    const double smaller = std::min(std::fabs(c), std::fabs(s)), larger = std::max(std::fabs(c), std::fabs(s));
    const double extent = double(w) + double(h) + double(width) + double(height);
    const bool quarter = (smaller + (1.0 - larger)) * extent < 0.25;
    const std::int64_t cr = std::llround(c), sr = std::llround(s);
    // Each output row's sources lie c rows up and s columns left of the previous row's.
    constexpr int kRowsAhead = 4;
    const std::int64_t sourcesAhead =
        std::llround(kRowsAhead * (c * double(source.GetBytesPerRow()) - s * double(source.GetBitCount() / 8)));
    const RotationRow rule{uc.data(),
                           us.data(),
                           w,
                           width,
                           height,
                           double(width / 2),
                           double(height / 2),
                           source.GetBits(),
                           source.GetBytesPerRow(),
                           background,
                           sourcesAhead};
    const unsigned depth = source.GetBitCount();
    const std::size_t stride = result.GetBytesPerRow();
    std::uint8_t* const bits = const_cast<std::uint8_t*>(result.GetBits());
    const std::size_t used = (std::size_t(w) * depth + 7) / 8;
    // Tiles of rows and columns: a steep turn reads the source down its columns, and a tile
    // keeps the rows it reads in the cache. Every output pixel is written once, in any order.
    constexpr std::int32_t kTileRows = 32, kTileColumns = 256;
    ForEachRowBand(h, stride, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t r0 = first; r0 < last; r0 += kTileRows) {
            const std::int32_t r1 = std::min(last, r0 + kTileRows);
            for (std::int32_t r = r0; r < r1; ++r) {
                std::uint8_t* out = bits + std::size_t(r) * stride;
                std::memset(depth < 8 ? out : out + used, 0, depth < 8 ? stride : stride - used);
            }
            for (std::int32_t x0 = 0; x0 < w; x0 += kTileColumns) {
                const std::int32_t x1 = std::min(w, x0 + kTileColumns);
                for (std::int32_t r = r0; r < r1; ++r) {
                    std::uint8_t* out = bits + std::size_t(r) * stride;
                    const double v = double(h / 2 - (h - 1 - r));  // storage row r is output row h - 1 - r
                    const double vs = v * s, vc = v * c;
                    if (quarter && depth >= 8) {
                        const std::int64_t iv = h / 2 - (h - 1 - r), u0 = std::int64_t(x0) - w / 2;
                        const std::int64_t sx = u0 * cr - iv * sr + width / 2, sy = height / 2 - (iv * cr + u0 * sr);
                        switch (depth) {
                            case 8: rule.RunStepping<1>(out, sx, sy, cr, -sr, x0, x1); break;
                            case 16: rule.RunStepping<2>(out, sx, sy, cr, -sr, x0, x1); break;
                            case 24: rule.RunStepping<3>(out, sx, sy, cr, -sr, x0, x1); break;
                            default: rule.RunStepping<4>(out, sx, sy, cr, -sr, x0, x1); break;
                        }
                        continue;
                    }
                    switch (depth) {
                        case 1:
                        case 4: rule.RunPacked(out, vs, vc, depth, x0, x1); break;
                        case 8: rule.Run<1>(out, vs, vc, x0, x1); break;
                        case 16: rule.Run<2>(out, vs, vc, x0, x1); break;
                        case 24: rule.Run<3>(out, vs, vc, x0, x1); break;
                        default: rule.Run<4>(out, vs, vc, x0, x1); break;
                    }
                }
            }
        }
    });
    return result;
}

unsigned CVelora::Rotate(int mode, double theta, std::uint32_t background) {
    return RefuseWithoutMemory(4, [&]() -> unsigned {
        if (!AngleInRange(theta)) return 1;
        if (!HasAccessibleDepth() && GetBitCount() != 16) return 2;
        if (mode < 0 || mode > 1) return 3;
        CVelora result = RotatedImage(*this, mode, theta, BackgroundValue(background),
                                      [](const CVelora& image, std::int32_t w, std::int32_t h) { return image.BlankLike(w, h); });
        if (!result.HasImage()) return 4;
        ReplaceKeepingName(std::move(result));
        return 0;
    });
}

unsigned CVelora::Rotate3D(int mode, double alpha, double beta, double theta, std::uint32_t background) {
    return RefuseWithoutMemory(4, [&]() -> unsigned {
        if (!AngleInRange(alpha) || !AngleInRange(beta) || !AngleInRange(theta)) return 1;
        if (!HasAccessibleDepth() && GetBitCount() != 16) return 2;
        if (mode < 0 || mode > 1) return 3;
        const std::uint32_t fill = BackgroundValue(background);
        const double a = Radians(alpha), b = Radians(beta);
        const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
        const std::int32_t width = GetWidth(), height = GetHeight();
        const unsigned depth = GetBitCount();
        // No turn in depth maps every pixel onto itself: the first stage is the image.
        const bool flat = ca == 1.0 && sa == 0.0 && cb == 1.0 && sb == 0.0;
        CVelora turned(nullptr, nullptr, -1, -1, 0);
        if (!flat) {
            turned = BlankLike(width, height);
            if (!turned.HasImage()) return 4;
            const std::size_t stride = m_bytesPerRow;
            std::uint8_t* const out = turned.m_pchMapaBits;
            // Forward mapping: a later source pixel overwrites an earlier one, rows outer. A source
            // column x lands in the target column column[x] whatever its row, and columns that
            // share a target column are neighbours; so tiles of columns cut between two target
            // columns are independent, and each is walked in the sources' order: rows down the
            // tile, along the bytes, so that a row's targets lie within a few rows of each other.
            // Each band of output rows walks every tile and keeps only the pixels landing in its
            // rows: the last writer of every pixel is the one a single walk gives.
            const double halfWidth = double(width / 2), halfHeight = double(height / 2);
            std::vector<std::int64_t> column(static_cast<std::size_t>(width));
            std::vector<double> tilt(static_cast<std::size_t>(width));
            for (std::int32_t x = 0; x < width; ++x) {
                const double px = double(x - width / 2);
                column[std::size_t(x)] = std::int64_t(px * ca + halfWidth);
                tilt[std::size_t(x)] = px * sa * sb;
            }
            struct Tile {
                std::int32_t from, to;     // source columns [from, to)
                double lowTilt, highTilt;  // over those columns
            };
            constexpr std::int32_t kTileColumns = 64;
            [[maybe_unused]] constexpr std::int32_t kRowsAhead = 4;  // the prefetch's
            std::vector<Tile> tiles;
            for (std::int32_t x = 0; x < width; ++x) {
                const double t = tilt[std::size_t(x)];
                if (x == 0 || (x - tiles.back().from >= kTileColumns && column[std::size_t(x)] != column[std::size_t(x) - 1])) {
                    if (x > 0) tiles.back().to = x;
                    tiles.push_back({x, width, t, t});
                }
                tiles.back().lowTilt = std::min(tiles.back().lowTilt, t);
                tiles.back().highTilt = std::max(tiles.back().highTilt, t);
            }
            // Whole pixels copied by a size the compiler knows, to the offsets TiltTargets gives;
            // packed ones through the row accessors.
            const std::size_t pixelBytes = depth / 8;
            std::vector<std::int64_t> columnBytes(static_cast<std::size_t>(width));
            for (std::int32_t x = 0; x < width; ++x) {
                const std::int64_t tx = column[std::size_t(x)];
                columnBytes[std::size_t(x)] = std::uint64_t(tx) < std::uint64_t(width) ? tx * std::int64_t(pixelBytes) : -1;
            }
            const auto walk = [&](auto copyRow) {
                ForEachRowBand(height, stride, [&](std::int32_t first, std::int32_t last) {
                    FillRows(out, stride, first, last, width, depth, fill);
                    // Storage rows [first, last) are the output rows (height - last, height - first].
                    const std::int64_t lowRow = height - last, highRow = height - 1 - first;
                    for (const Tile& tile : tiles) {
                        for (std::int32_t y = 0; y < height; ++y) {
                            const double pyc = double(y - height / 2) * cb;
                            // Addition is monotonic, so a row whose extreme targets miss the band
                            // has no pixel in it.
                            if (std::int64_t(pyc + tile.highTilt + halfHeight) < lowRow ||
                                std::int64_t(pyc + tile.lowTilt + halfHeight) > highRow)
                                continue;
    #if VELORA_X86
                            // A tile's rows lie a stride apart, beyond what the processor fetches
                            // ahead by itself: ask for a later row's bytes.
                            if (y + kRowsAhead < height) {
                                const std::uint8_t* ahead = m_pchMapaBits + std::size_t(height - 1 - y - kRowsAhead) * stride;
                                const std::size_t begin = std::size_t(tile.from) * depth / 8, end = std::size_t(tile.to) * depth / 8;
                                for (std::size_t at = begin; at < end; at += 64) _mm_prefetch(reinterpret_cast<const char*>(ahead + at), _MM_HINT_T0);
                            }
    #endif
                            copyRow(m_pchMapaBits + std::size_t(height - 1 - y) * stride, pyc, lowRow, highRow, tile.from, tile.to);
                        }
                    }
                });
            };
            const auto bytesOf = [&](auto size) {
                constexpr std::size_t n = decltype(size)::value;
                walk([&](const std::uint8_t* in, double pyc, std::int64_t lowRow, std::int64_t highRow, std::int32_t from,
                         std::int32_t to) {
                    constexpr std::int32_t kChunk = 64;
                    std::int64_t offsets[kChunk];
                    for (std::int32_t x0 = from; x0 < to; x0 += kChunk) {
                        const std::int32_t x1 = std::min(to, x0 + kChunk);
                        std::int32_t done = 0;
    #if VELORA_X86
                        if (HasAvx2())
                            done = TiltTargetsAvx2(tilt.data(), columnBytes.data(), pyc, halfHeight, lowRow, highRow, height,
                                                   stride, x0, x1, offsets);
    #endif
                        TiltTargets(tilt.data(), columnBytes.data(), pyc, halfHeight, lowRow, highRow, height, stride,
                                    x0 + done, x1, offsets + done);
                        // In the sources' order: where two land on one pixel, the later stays.
                        for (std::int32_t x = x0; x < x1; ++x) {
                            const std::int64_t offset = offsets[x - x0];
                            if (offset >= 0) std::memcpy(out + offset, in + n * std::size_t(x), n);
                        }
                    }
                });
            };
            switch (depth) {
                case 8: bytesOf(std::integral_constant<std::size_t, 1>{}); break;
                case 16: bytesOf(std::integral_constant<std::size_t, 2>{}); break;
                case 24: bytesOf(std::integral_constant<std::size_t, 3>{}); break;
                case 32: bytesOf(std::integral_constant<std::size_t, 4>{}); break;
                default:
                    walk([&](const std::uint8_t* in, double pyc, std::int64_t lowRow, std::int64_t highRow, std::int32_t from,
                             std::int32_t to) {
                        for (std::int32_t x = from; x < to; ++x) {
                            const std::int64_t tx = column[std::size_t(x)];
                            if (std::uint64_t(tx) >= std::uint64_t(width)) continue;
                            const std::int64_t ty = std::int64_t(pyc + tilt[std::size_t(x)] + halfHeight);
                            if (ty < lowRow || ty > highRow) continue;
                            WritePixel(out + std::size_t(height - 1 - ty) * stride, std::int32_t(tx), depth,
                                       ReadPixel(in, std::int32_t(x), depth));
                        }
                    });
                    break;
            }
        }
        const CVelora& stage = flat ? *this : turned;
        if (theta != 0) {
            CVelora result = RotatedImage(stage, mode, theta, fill,
                                          [](const CVelora& image, std::int32_t w, std::int32_t h) { return image.BlankLike(w, h); });
            if (!result.HasImage()) return 4;
            ReplaceKeepingName(std::move(result));
        } else if (!flat) {
            ReplaceKeepingName(std::move(turned));
        }
        return 0;
    });
}
