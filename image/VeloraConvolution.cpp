// Convolution filters: the engine, the predefined linear and edge-detector entries, emboss.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <mutex>
#include <new>
#include <optional>
#include <type_traits>
#include <vector>

#include "CVelora.h"
#include "FilterCatalogue.h"
#include "FilterRows.h"
#include "Parallel.h"
#include "LargeArrays.h"
#include "VectorTarget.h"

using velora::detail::ForEachRowBand;
using velora::detail::IsFilterDepth;
using velora::detail::ReadSampleRow;
using velora::detail::WorkVector;
using velora::detail::WriteSampleRow;
using velora::detail::RefuseWithoutMemory;

namespace {

// The samples the sums read: the image's own (border mode 0), or the image enlarged by the
// half-width on every side (modes 1 and 2).
// Bytes after the last row that a vector load may touch.
constexpr std::size_t kSpare = 16;

struct Plane {
    WorkVector<std::uint8_t> data;
    std::int32_t width = 0, height = 0;
    const std::uint8_t* Row(std::int32_t y) const { return data.data() + std::size_t(y) * std::size_t(width); }
    std::uint8_t* Row(std::int32_t y) { return data.data() + std::size_t(y) * std::size_t(width); }
};

struct Source {
    const std::uint8_t* bits;
    std::size_t stride;
    std::int32_t width, height;
    unsigned depth;
    const std::uint8_t* Row(std::int32_t y) const { return bits + std::size_t(height - 1 - y) * stride; }
};

Plane SamplesOf(const Source& s) {
    Plane p{WorkVector<std::uint8_t>(std::size_t(s.width) * std::size_t(s.height) + kSpare), s.width, s.height};
    std::fill(p.data.end() - kSpare, p.data.end(), std::uint8_t(0));
    ForEachRowBand(s.height, s.stride, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t y = first; y < last; ++y) ReadSampleRow(s.Row(y), s.width, s.depth, p.Row(y));
    });
    return p;
}

// The raw value 255 that fills the enlarged image, as a sample: index 255 (15 for 4 bits),
// or 0x0000FF in direct colour, whose red component is 0.
std::uint8_t PaddingSample(unsigned depth) { return depth == 4 ? 15 : depth == 8 ? 255 : 0; }

// Border mode 1: the image inside a frame of padding. Border mode 2: the enlarged image after
// pasting the image at (0, 0), (2h, 0), (2h, 2h), (0, 2h) and last (h, h); where no paste
// reaches (an image narrower or lower than 2h) the padding stays.
// sampleRow(y) gives the W samples of row y (0 the top).
template <class SampleRow>
Plane EnlargedFrom(const SampleRow& sampleRow, std::int32_t W, std::int32_t H, std::int32_t h, int borderMode,
                   std::uint8_t pad) {
    const std::int32_t EW = W + 2 * h, EH = H + 2 * h;
    Plane e{WorkVector<std::uint8_t>(std::size_t(EW) * std::size_t(EH) + kSpare), EW, EH};
    std::fill(e.data.end() - kSpare, e.data.end(), pad);
    // Where each enlarged pixel comes from: the last paste that covers it.
    const auto from = [&](std::int32_t X, std::int32_t Y) -> int {
        std::int32_t sx, sy;
        if (X >= h && X < W + h && Y >= h && Y < H + h) sx = X - h, sy = Y - h;
        else if (borderMode == 1) return -1;
        else if (X < W && Y >= 2 * h) sx = X, sy = Y - 2 * h;
        else if (X >= 2 * h && Y >= 2 * h) sx = X - 2 * h, sy = Y - 2 * h;
        else if (X >= 2 * h && Y < H) sx = X - 2 * h, sy = Y;
        else if (X < W && Y < H) sx = X, sy = Y;
        else return -1;
        return sampleRow(sy)[sx];
    };
    ForEachRowBand(EH, std::size_t(EW), [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t Y = first; Y < last; ++Y) {
            std::uint8_t* row = e.Row(Y);
            const bool middle = Y >= h && Y < H + h;
            for (std::int32_t X = 0; X < EW; ++X) {
                if (middle && X == h) {
                    std::copy_n(sampleRow(Y - h), W, row + h);
                    X = W + h - 1;
                    continue;
                }
                const int v = from(X, Y);
                row[X] = v >= 0 ? std::uint8_t(v) : pad;
            }
        }
    });
    return e;
}

Plane Enlarged(const Plane& s, std::int32_t h, int borderMode, std::uint8_t pad) {
    return EnlargedFrom([&s](std::int32_t y) { return s.Row(y); }, s.width, s.height, h, borderMode, pad);
}

// Sum to value: q = sum / divisor (toward zero), then rescaled (mode 0), held to 0..top
// (mode 1) or taken as |q| up to top (mode 2).
struct SumMap {
    std::int64_t divisor;
    int rangeMode;
    int top;
    std::int64_t qmin = 0, qmax = 0;
    float scale = 0;
    bool flat = false;  // mode 0 with no range: every sum maps to 0

    SumMap(std::int64_t d, int mode, int t, std::int64_t minSum, std::int64_t maxSum) : divisor(d), rangeMode(mode), top(t) {
        if (mode != 0) return;
        qmin = minSum / d;
        qmax = maxSum / d;
        flat = qmax == qmin;
        if (!flat) scale = float(top) / float(qmax - qmin);
    }
    std::uint8_t operator()(std::int64_t sum) const {
        const std::int64_t q = divisor == 1 ? sum : sum / divisor;
        switch (rangeMode) {
            case 0: return flat ? 0 : std::uint8_t(int(scale * float(q - qmin)));
            case 1: return std::uint8_t(std::clamp<std::int64_t>(q, 0, top));
            default: return std::uint8_t(std::min<std::int64_t>(q < 0 ? -q : q, top));
        }
    }
};

// Values of the sums lo..hi: eight at a time in single precision where that gives the exact
// quotients (every sum below 2^24 in magnitude: a quotient's distance to the next integer is
// then at least 1/|sum|, beyond float's rounding), else through a table when the span is
// small, else one by one.
class SumLookup {
public:
    SumLookup(const SumMap& map, std::int64_t lo, std::int64_t hi) : m_map(map), m_lo(lo) {
#if VELORA_X86
        const std::int64_t limit = std::int64_t(1) << 24;
        m_vector = velora::detail::HasSse2() && lo > -limit && hi < limit && map.divisor > -limit && map.divisor < limit;
#endif
        if (!m_vector && hi - lo < (std::int64_t(1) << 17)) {
            m_table.resize(std::size_t(hi - lo + 1));
            for (std::int64_t s = lo; s <= hi; ++s) m_table[std::size_t(s - lo)] = map(s);
        }
    }
    template <class Acc>
    void Map(const Acc* sums, std::int32_t count, std::uint8_t* out) const {
        std::int32_t k = 0;
#if VELORA_X86
        if constexpr (sizeof(Acc) <= 4) {
            if (m_vector) k = MapVector(sums, count, out);
        }
#endif
        if (!m_table.empty()) {
            const std::uint8_t* t = m_table.data() - m_lo;
            for (; k < count; ++k) out[k] = t[sums[k]];
        } else {
            for (; k < count; ++k) out[k] = m_map(sums[k]);
        }
    }

private:
#if VELORA_X86
    static __m128i Load4(const std::int16_t* p) {
        const __m128i x = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
        return _mm_srai_epi32(_mm_unpacklo_epi16(x, x), 16);
    }
    static __m128i Load4(const std::int32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

    // The same operations as SumMap, lane by lane; returns how many were done.
    template <class Acc>
    std::int32_t MapVector(const Acc* sums, std::int32_t count, std::uint8_t* out) const {
        const SumMap& m = m_map;
        const __m128 divisor = _mm_set1_ps(float(m.divisor)), scale = _mm_set1_ps(m.scale);
        const __m128i qmin = _mm_set1_epi32(int(m.qmin)), top = _mm_set1_epi8(char(m.top));
        const auto quotient = [&](__m128i s) {
            return m.divisor == 1 ? s : _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(s), divisor));
        };
        const auto value = [&](__m128i q) {
            switch (m.rangeMode) {
                case 0: return m.flat ? _mm_setzero_si128() : _mm_cvttps_epi32(_mm_mul_ps(scale, _mm_cvtepi32_ps(_mm_sub_epi32(q, qmin))));
                case 1: return q;
                default: {
                    const __m128i sign = _mm_srai_epi32(q, 31);
                    return _mm_sub_epi32(_mm_xor_si128(q, sign), sign);
                }
            }
        };
        std::int32_t k = 0;
        for (; k + 8 <= count; k += 8) {
            const __m128i a = value(quotient(Load4(sums + k))), b = value(quotient(Load4(sums + k + 4)));
            // Saturating packs hold the values to 0..255; then to the top.
            const __m128i bytes = _mm_min_epu8(_mm_packus_epi16(_mm_packs_epi32(a, b), _mm_setzero_si128()), top);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + k), bytes);
        }
        return k;
    }
#endif

    SumMap m_map;
    std::int64_t m_lo;
    bool m_vector = false;
    std::vector<std::uint8_t> m_table;
};

using RowSink = std::function<void(std::int32_t r, const std::uint8_t* values)>;

// sums[k] = sum over the mask of coefficient x plane(k + j, r + i), for the outW columns of
// output row r. Acc holds every partial sum: its range is chosen from the mask's bound.
template <class Acc>
void SumRowPlain(const Plane& p, std::int32_t r, const int* mask, int n, std::int32_t from, std::int32_t outW, Acc* sums) {
    std::fill(sums + from, sums + outW, Acc(0));
    for (int i = 0; i < n; ++i) {
        const std::uint8_t* line = p.Row(r + i);
        for (int j = 0; j < n; ++j) {
            const Acc c = Acc(mask[i * n + j]);
            if (c == 0) continue;
            const std::uint8_t* s = line + j;
            for (std::int32_t k = from; k < outW; ++k) sums[k] = Acc(sums[k] + c * Acc(s[k]));
        }
    }
}

template <class Acc>
void SumRow(const Plane& p, std::int32_t r, const int* mask, int n, std::int32_t outW, Acc* sums) {
    SumRowPlain(p, r, mask, n, 0, outW, sums);
}

#if VELORA_X86
// 16 sums at a time kept in registers over every tap: 16-bit lanes (the bound fits them).
template <>
void SumRow<std::int16_t>(const Plane& p, std::int32_t r, const int* mask, int n, std::int32_t outW, std::int16_t* sums) {
    if (!velora::detail::HasSse2()) return SumRowPlain(p, r, mask, n, 0, outW, sums);
    const std::uint8_t* taps[121];
    __m128i coefficients[121];
    int count = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            if (mask[i * n + j] != 0) {
                taps[count] = p.Row(r + i) + j;
                coefficients[count++] = _mm_set1_epi16(std::int16_t(mask[i * n + j]));
            }
    const __m128i zero = _mm_setzero_si128();
    std::int32_t k = 0;
    for (; k + 16 <= outW; k += 16) {
        __m128i lo = zero, hi = zero;
        for (int t = 0; t < count; ++t) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(taps[t] + k));
            lo = _mm_add_epi16(lo, _mm_mullo_epi16(_mm_unpacklo_epi8(v, zero), coefficients[t]));
            hi = _mm_add_epi16(hi, _mm_mullo_epi16(_mm_unpackhi_epi8(v, zero), coefficients[t]));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + k), lo);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + k + 8), hi);
    }
    SumRowPlain(p, r, mask, n, k, outW, sums);
}

// 8 sums at a time in 32-bit lanes, two neighbouring taps of a mask row per multiply-add
// (coefficients within 16 bits; the plane has a spare byte after its last row for the
// unpaired tap of an odd row).
void SumRowPairs(const Plane& p, std::int32_t r, const int* mask, int n, std::int32_t outW, std::int32_t* sums) {
    const std::uint8_t* taps[66];
    __m128i coefficients[66];
    int count = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; j += 2) {
            const int c0 = mask[i * n + j], c1 = j + 1 < n ? mask[i * n + j + 1] : 0;
            if (c0 == 0 && c1 == 0) continue;
            taps[count] = p.Row(r + i) + j;
            coefficients[count++] = _mm_set1_epi32(int(std::uint32_t(std::uint16_t(c0)) | (std::uint32_t(std::uint16_t(c1)) << 16)));
        }
    const __m128i zero = _mm_setzero_si128();
    std::int32_t k = 0;
    // Sixteen sums per pass over the taps where the row allows, then eight.
    for (; k + 16 <= outW; k += 16) {
        __m128i s0 = zero, s1 = zero, s2 = zero, s3 = zero;
        for (int t = 0; t < count; ++t) {
            const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(taps[t] + k));
            const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(taps[t] + k + 1));
            const __m128i aLow = _mm_unpacklo_epi8(v0, zero), bLow = _mm_unpacklo_epi8(v1, zero);
            const __m128i aHigh = _mm_unpackhi_epi8(v0, zero), bHigh = _mm_unpackhi_epi8(v1, zero);
            s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi16(aLow, bLow), coefficients[t]));
            s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi16(aLow, bLow), coefficients[t]));
            s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi16(aHigh, bHigh), coefficients[t]));
            s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi16(aHigh, bHigh), coefficients[t]));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + k), s0);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + k + 4), s1);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + k + 8), s2);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + k + 12), s3);
    }
    for (; k + 8 <= outW; k += 8) {
        __m128i lo = zero, hi = zero;
        for (int t = 0; t < count; ++t) {
            const __m128i a = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(taps[t] + k)), zero);
            const __m128i b = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(taps[t] + k + 1)), zero);
            lo = _mm_add_epi32(lo, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), coefficients[t]));
            hi = _mm_add_epi32(hi, _mm_madd_epi16(_mm_unpackhi_epi16(a, b), coefficients[t]));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + k), lo);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + k + 4), hi);
    }
    SumRowPlain(p, r, mask, n, k, outW, sums);
}

template <>
void SumRow<std::int32_t>(const Plane& p, std::int32_t r, const int* mask, int n, std::int32_t outW, std::int32_t* sums) {
    bool narrow = true;
    for (int i = 0; i < n * n; ++i) narrow = narrow && mask[i] >= -32768 && mask[i] <= 32767;
    if (narrow && velora::detail::HasSse2()) SumRowPairs(p, r, mask, n, outW, sums);
    else SumRowPlain(p, r, mask, n, 0, outW, sums);
}
#endif

// A mask that is the product of a column and a row of integers, mask[i][j] = column[i] x
// row[j]: the sums come from a column pass and a row pass with the very same integer values.
struct Factors {
    std::vector<int> column, row;
};
std::optional<Factors> Separate(const int* mask, int n) {
    int i0 = 0, j0 = 0;
    while (i0 < n * n && mask[i0] == 0) ++i0;
    if (i0 == n * n) return std::nullopt;
    j0 = i0 % n, i0 /= n;
    Factors f{std::vector<int>(std::size_t(n)), std::vector<int>(mask + i0 * n, mask + i0 * n + n)};
    for (int i = 0; i < n; ++i) {
        const int pivot = mask[i * n + j0];
        if (pivot % f.row[std::size_t(j0)] != 0) return std::nullopt;
        f.column[std::size_t(i)] = pivot / f.row[std::size_t(j0)];
        for (int j = 0; j < n; ++j)
            if (std::int64_t(mask[i * n + j]) != std::int64_t(f.column[std::size_t(i)]) * f.row[std::size_t(j)]) return std::nullopt;
    }
    return f;
}

template <class Acc>
void SumRowSeparable(const Plane& p, std::int32_t r, const Factors& f, int n, std::int32_t outW, Acc* columns, Acc* sums) {
    const std::int32_t w = p.width;
    std::fill_n(columns, w, Acc(0));
    for (int i = 0; i < n; ++i) {
        const Acc c = Acc(f.column[std::size_t(i)]);
        if (c == 0) continue;
        const std::uint8_t* line = p.Row(r + i);
        for (std::int32_t x = 0; x < w; ++x) columns[x] = Acc(columns[x] + c * Acc(line[x]));
    }
    std::fill_n(sums, outW, Acc(0));
    for (int j = 0; j < n; ++j) {
        const Acc c = Acc(f.row[std::size_t(j)]);
        if (c == 0) continue;
        const Acc* s = columns + j;
        for (std::int32_t k = 0; k < outW; ++k) sums[k] = Acc(sums[k] + c * s[k]);
    }
}

#if VELORA_X86
// Every function taking these is inlined, so no vector crosses a call (which -Wpsabi warns of).
#pragma GCC diagnostic ignored "-Wpsabi"
using Sums16 = std::int16_t __attribute__((vector_size(32)));
using Bytes16 = std::uint8_t __attribute__((vector_size(16)));

// What the vectors of the two below leave, one by one: columns [x, width) of the column pass
// and sums [k, outW) of the row pass.
void SeparableColumns16(const Plane& p, std::int32_t r, const Factors& f, int n, std::int32_t x, std::int16_t* columns) {
    for (; x < p.width; ++x) {
        std::int16_t acc = 0;
        for (int i = 0; i < n; ++i) acc = std::int16_t(acc + std::int16_t(f.column[std::size_t(i)]) * p.Row(r + i)[x]);
        columns[x] = acc;
    }
}
void SeparableSums16(const std::int16_t* columns, const Factors& f, int n, std::int32_t k, std::int32_t outW,
                     std::int16_t* sums) {
    for (; k < outW; ++k) {
        std::int16_t acc = 0;
        for (int j = 0; j < n; ++j) acc = std::int16_t(acc + std::int16_t(f.row[std::size_t(j)]) * columns[k + j]);
        sums[k] = acc;
    }
}

// SumRowSeparable for 16-bit sums, sixteen columns at a time with every row of the mask
// added in registers (integer sums: the order does not change them), as SSE2.
[[gnu::always_inline]] inline void SumRowSeparable16(const Plane& p, std::int32_t r, const Factors& f, int n,
                                                     std::int32_t outW, std::int16_t* columns, std::int16_t* sums) {
    const std::int32_t w = p.width;
    std::int32_t x = 0;
    for (; x + 16 <= w; x += 16) {
        Sums16 acc{};
        for (int i = 0; i < n; ++i) {
            const std::int16_t c = std::int16_t(f.column[std::size_t(i)]);
            if (c == 0) continue;
            Bytes16 bytes;
            std::memcpy(&bytes, p.Row(r + i) + x, sizeof bytes);
            acc += c * __builtin_convertvector(bytes, Sums16);
        }
        std::memcpy(columns + x, &acc, sizeof acc);
    }
    SeparableColumns16(p, r, f, n, x, columns);
    std::int32_t k = 0;
    for (; k + 16 <= outW; k += 16) {
        Sums16 acc{};
        for (int j = 0; j < n; ++j) {
            const std::int16_t c = std::int16_t(f.row[std::size_t(j)]);
            if (c == 0) continue;
            Sums16 v;
            std::memcpy(&v, columns + k + j, sizeof v);
            acc += c * v;
        }
        std::memcpy(sums + k, &acc, sizeof acc);
    }
    SeparableSums16(columns, f, n, k, outW, sums);
}

// The same with AVX2 by hand: the rows and coefficients that count gathered first, the bytes
// widened in one instruction.
VELORA_AVX2 void SumRowSeparable16Avx2(const Plane& p, std::int32_t r, const Factors& f, int n, std::int32_t outW,
                                       std::int16_t* columns, std::int16_t* sums) {
    constexpr int kMost = 11;  // the largest mask side
    if (n > kMost) return SumRowSeparable16(p, r, f, n, outW, columns, sums);
    const std::uint8_t* lines[kMost];
    __m256i down[kMost], across[kMost];
    int rows = 0, steps[kMost], taken = 0;
    for (int i = 0; i < n; ++i)
        if (f.column[std::size_t(i)] != 0) lines[rows] = p.Row(r + i), down[rows++] = _mm256_set1_epi16(std::int16_t(f.column[std::size_t(i)]));
    for (int j = 0; j < n; ++j)
        if (f.row[std::size_t(j)] != 0) steps[taken] = j, across[taken++] = _mm256_set1_epi16(std::int16_t(f.row[std::size_t(j)]));
    const std::int32_t w = p.width;
    std::int32_t x = 0;
    for (; x + 16 <= w; x += 16) {
        __m256i acc = _mm256_setzero_si256();
        for (int t = 0; t < rows; ++t) {
            const __m256i wide = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lines[t] + x)));
            acc = _mm256_add_epi16(acc, _mm256_mullo_epi16(down[t], wide));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(columns + x), acc);
    }
    SeparableColumns16(p, r, f, n, x, columns);
    std::int32_t k = 0;
    for (; k + 16 <= outW; k += 16) {
        __m256i acc = _mm256_setzero_si256();
        for (int t = 0; t < taken; ++t)
            acc = _mm256_add_epi16(acc, _mm256_mullo_epi16(across[t], _mm256_loadu_si256(reinterpret_cast<const __m256i*>(columns + k + steps[t]))));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + k), acc);
    }
    SeparableSums16(columns, f, n, k, outW, sums);
}
#endif

// The sums of one output row, by the factors when the mask has them.
template <class Acc>
class RowSummer {
public:
    RowSummer(const Plane& p, const int* mask, int n, const std::optional<Factors>& factors)
        : m_p(p), m_mask(mask), m_n(n), m_factors(factors) {
        if (m_factors) m_columns.resize(std::size_t(p.width));
    }
    void operator()(std::int32_t r, std::int32_t outW, Acc* sums) {
        if (!m_factors) return SumRow(m_p, r, m_mask, m_n, outW, sums);
#if VELORA_X86
        if constexpr (std::is_same_v<Acc, std::int16_t>) {
            if (velora::detail::HasAvx2()) return SumRowSeparable16Avx2(m_p, r, *m_factors, m_n, outW, m_columns.data(), sums);
            if (velora::detail::HasSse2()) return SumRowSeparable16(m_p, r, *m_factors, m_n, outW, m_columns.data(), sums);
        }
#endif
        SumRowSeparable(m_p, r, *m_factors, m_n, outW, m_columns.data(), sums);
    }

private:
    const Plane& m_p;
    const int* m_mask;
    int m_n;
    const std::optional<Factors>& m_factors;
    std::vector<Acc> m_columns;
};

template <class Acc>
void Correlate(const Plane& p, const int* mask, int n, std::int64_t bound, std::int64_t divisor, int rangeMode, int top,
               const RowSink& sink) {
    // Two passes of n cost less than one of n x n from 3 x 3 up (fewer with zeros).
    const std::optional<Factors> factors = n >= 3 ? Separate(mask, n) : std::nullopt;
    const std::int32_t h = n / 2, outW = p.width - 2 * h, outH = p.height - 2 * h;
    if (outW <= 0 || outH <= 0) return;
    const std::size_t rowBytes = std::size_t(outW) * std::size_t(n) * std::size_t(n);
    if (rangeMode != 0) {
        const SumLookup lookup(SumMap(divisor, rangeMode, top, 0, 0), -bound, bound);
        ForEachRowBand(outH, rowBytes, [&](std::int32_t first, std::int32_t last) {
            std::vector<Acc> sums(static_cast<std::size_t>(outW));
            std::vector<std::uint8_t> values(static_cast<std::size_t>(outW));
            RowSummer<Acc> sum(p, mask, n, factors);
            for (std::int32_t r = first; r < last; ++r) {
                sum(r, outW, sums.data());
                lookup.Map(sums.data(), outW, values.data());
                sink(r, values.data());
            }
        });
        return;
    }
    // Rescaling needs the extremes of every sum first; both start at 0.
    WorkVector<Acc> all(std::size_t(outW) * std::size_t(outH));
    std::int64_t minSum = 0, maxSum = 0;
    std::mutex extremes;
    ForEachRowBand(outH, rowBytes, [&](std::int32_t first, std::int32_t last) {
        Acc lo = 0, hi = 0;
        RowSummer<Acc> sum(p, mask, n, factors);
        for (std::int32_t r = first; r < last; ++r) {
            Acc* sums = all.data() + std::size_t(r) * std::size_t(outW);
            sum(r, outW, sums);
            for (std::int32_t k = 0; k < outW; ++k) {
                lo = std::min(lo, sums[k]);
                hi = std::max(hi, sums[k]);
            }
        }
        const std::lock_guard lock(extremes);
        minSum = std::min<std::int64_t>(minSum, lo);
        maxSum = std::max<std::int64_t>(maxSum, hi);
    });
    const SumLookup lookup(SumMap(divisor, 0, top, minSum, maxSum), minSum, maxSum);
    ForEachRowBand(outH, std::size_t(outW) * sizeof(Acc), [&](std::int32_t first, std::int32_t last) {
        std::vector<std::uint8_t> values(static_cast<std::size_t>(outW));
        for (std::int32_t r = first; r < last; ++r) {
            lookup.Map(all.data() + std::size_t(r) * std::size_t(outW), outW, values.data());
            sink(r, values.data());
        }
    });
}

// The filtered values of the plane's output rows (outW = plane width - 2h each), handed to
// sink row by row, possibly from several threads at once.
void Filter(const Plane& p, const int* mask, int n, int divisor, int rangeMode, int top, const RowSink& sink) {
    // Every partial sum lies within +-bound; the narrowest type that holds it is the fastest.
    std::int64_t bound = 0;
    for (int i = 0; i < n * n; ++i) bound += std::llabs(mask[i]) * 255;
    if (bound <= std::numeric_limits<std::int16_t>::max())
        Correlate<std::int16_t>(p, mask, n, bound, divisor, rangeMode, top, sink);
    else if (bound <= std::numeric_limits<std::int32_t>::max())
        Correlate<std::int32_t>(p, mask, n, bound, divisor, rangeMode, top, sink);
    else
        Correlate<std::int64_t>(p, mask, n, bound, divisor, rangeMode, top, sink);
}

// The plane the sums of a border mode read.
Plane WorkingPlane(const Source& s, int n, int borderMode) {
    // 8-bit rows are their own samples: the enlarged plane is built from them directly.
    if (s.depth == 8 && borderMode != 0 && n / 2 > 0)
        return EnlargedFrom([&s](std::int32_t y) { return s.Row(y); }, s.width, s.height, n / 2, borderMode,
                            PaddingSample(s.depth));
    Plane samples = SamplesOf(s);
    if (borderMode == 0 || n / 2 == 0) return samples;
    return Enlarged(samples, n / 2, borderMode, PaddingSample(s.depth));
}

}  // namespace

// The filters write any level up to the top index: a shorter colour table grows to the full
// 16 or 256 entries first (a gray ramp goes on as a ramp, other new entries are black).
// False without memory, the image as it was.
bool CVelora::TableHoldsEveryLevel() {
    if (!IsIndexed() || PaletteEntries() >= (1u << GetBitCount())) return true;
    std::uint8_t table[256]{};
    table[0] = std::uint8_t((1u << GetBitCount()) - 1);
    return CoverRemappedIndices(table);
}

unsigned CVelora::Convolution(std::span<const int> mask, int size, int divisor, int rangeMode, int borderMode) {
    const unsigned depth = GetBitCount();
    if (!IsFilterDepth(depth)) return 1;
    if (divisor == 0) return 2;
    if (rangeMode < 0 || rangeMode > 2) return 3;
    if (borderMode < 0 || borderMode > 2) return 4;
    if (size < 1 || size > 11 || mask.size() < std::size_t(size) * std::size_t(size)) return 5;
    if (!TableHoldsEveryLevel()) return 6;

    // The working buffers are all had before the first pixel is written.
    try {
        const Source source{m_pchMapaBits, m_bytesPerRow, GetWidth(), GetHeight(), depth};
        const Plane plane = WorkingPlane(source, size, borderMode);
        // Mode 0 leaves the frame it cannot centre the mask on; modes 1 and 2 reach every pixel.
        const std::int32_t h = size / 2, offset = borderMode == 0 ? h : 0, outW = plane.width - 2 * h;
        std::uint8_t* bits = m_pchMapaBits;
        const std::size_t stride = m_bytesPerRow;
        const std::int32_t height = GetHeight();
        Filter(plane, mask.data(), size, divisor, rangeMode, depth == 4 ? 15 : 255, [&](std::int32_t r, const std::uint8_t* values) {
            WriteSampleRow(bits + std::size_t(height - 1 - (r + offset)) * stride, offset, outW, depth, values);
        });
    } catch (const std::bad_alloc&) {
        return 6;
    }
    return 0;
}

unsigned CVelora::PredefinedFilter(int index, int rangeMode, int borderMode) {
    return RefuseWithoutMemory(5, [&]() -> unsigned {
        const unsigned depth = GetBitCount();
        if (!IsFilterDepth(depth)) return 1;
        const velora::FilterEntry* entry = velora::FindFilterEntry(index);
        if (!entry) return 2;
        if (rangeMode < 0 || rangeMode > 2) return 3;
        if (borderMode < 0 || borderMode > 2) return 4;
        if (!TableHoldsEveryLevel()) return 5;

        using K = velora::FilterKind;
        switch (entry->kind) {
            case K::Linear: {
                const unsigned code = Convolution(entry->coefficients, entry->size, entry->divisor, rangeMode, borderMode);
                return code == 6 ? 5 : code;  // Convolution's "no memory" is 6
            }
            case K::TwoMasks: {
                const velora::FilterEntry* first = velora::FindFilterEntry(entry->firstMask);
                const velora::FilterEntry* second = velora::FindFilterEntry(entry->secondMask);
                // The copy first: should memory run out, this image is still untouched.
                CVelora other(*this);
                if (!other.HasImage() || other.Convolution(second->coefficients, second->size, 1, rangeMode, borderMode) != 0 ||
                    Convolution(first->coefficients, first->size, 1, rangeMode, borderMode) != 0)
                    return 5;
                // The two responses add up as the saturating sum between images does.
                return SaturatingArithmetic(0, other) == 0 ? 0 : 5;
            }
            case K::EightDirections: {
                const std::int32_t width = GetWidth(), height = GetHeight();
                const Source source{m_pchMapaBits, m_bytesPerRow, width, height, depth};
                const Plane samples = SamplesOf(source);
                const Plane plane = borderMode == 0 ? Plane{} : Enlarged(samples, 1, borderMode, PaddingSample(depth));
                const Plane& work = borderMode == 0 ? samples : plane;
                // The largest response; in mode 0 the frame keeps its own sample in every response.
                Plane best{WorkVector<std::uint8_t>(samples.data.size(), 0), width, height};
                const std::int32_t offset = borderMode == 0 ? 1 : 0, outW = work.width - 2;
                if (borderMode == 0) best.data = samples.data;
                std::array<int, 9> m{};
                std::copy_n(entry->coefficients.begin(), 9, m.begin());
                for (int turn = 0; turn < 8; ++turn) {
                    Filter(work, m.data(), 3, 1, rangeMode, depth == 4 ? 15 : 255, [&](std::int32_t r, const std::uint8_t* values) {
                        std::uint8_t* row = best.Row(r + offset) + offset;
                        if (turn == 0 && borderMode == 0) std::fill_n(row, outW, std::uint8_t(0));
                        for (std::int32_t k = 0; k < outW; ++k) row[k] = std::max(row[k], values[k]);
                    });
                    // Each outer element takes its clockwise neighbour's value: the pattern turns 45 degrees.
                    const int first = m[0];
                    m[0] = m[1], m[1] = m[2], m[2] = m[5], m[5] = m[8], m[8] = m[7], m[7] = m[6], m[6] = m[3], m[3] = first;
                }
                std::uint8_t* bits = m_pchMapaBits;
                const std::size_t stride = m_bytesPerRow;
                ForEachRowBand(height, stride, [&](std::int32_t a, std::int32_t b) {
                    for (std::int32_t y = a; y < b; ++y)
                        WriteSampleRow(bits + std::size_t(height - 1 - y) * stride, 0, width, depth, best.Row(y));
                });
                return 0;
            }
            default:
                velora::detail::RankFilter(m_pchMapaBits, m_bytesPerRow, GetWidth(), GetHeight(), depth, int(entry->kind),
                                           entry->size);
                return 0;
        }
    });
}

unsigned CVelora::Emboss(int offset) {
    return RefuseWithoutMemory(3, [&]() -> unsigned {
        const unsigned depth = GetBitCount();
        if (depth != 4 && depth != 8) return 2;
        if (offset != 1 && offset != 3 && offset != 5) return 1;
        if (!TableHoldsEveryLevel()) return 3;
        const std::int32_t width = GetWidth(), height = GetHeight();
        if (offset >= width || height < 2) return 0;  // no pixel would change
        CVelora smooth(*this);
        if (!smooth.HasImage() || smooth.PredefinedFilter(19, 0, 2) != 0) return 3;  // "Media (5x5)", rescaled, replicated border
        const int levels = 1 << depth;
        std::uint8_t* bits = m_pchMapaBits;
        const std::uint8_t* smoothBits = smooth.m_pchMapaBits;
        const std::size_t stride = m_bytesPerRow;
        // Row 0 and the first offset columns stay.
        ForEachRowBand(height - 1, stride, [&](std::int32_t first, std::int32_t last) {
            std::vector<std::uint8_t> in(static_cast<std::size_t>(width)), a(static_cast<std::size_t>(width)), out(static_cast<std::size_t>(width));
            for (std::int32_t y = first + 1; y < last + 1; ++y) {
                const std::size_t at = std::size_t(height - 1 - y) * stride;
                ReadSampleRow(bits + at, width, depth, in.data());
                ReadSampleRow(smoothBits + at, width, depth, a.data());
                for (std::int32_t x = offset; x < width; ++x) {
                    const int v = levels / 2 - a[std::size_t(x - offset)] + in[std::size_t(x)];
                    out[std::size_t(x)] = std::uint8_t(std::clamp(v, 0, levels - 1));
                }
                WriteSampleRow(bits + at, offset, width - offset, depth, out.data() + offset);
            }
        });
        return 0;
    });
}
