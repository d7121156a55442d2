// Window filters of the predefined list: median, maximum, minimum, midpoint, max-min
// enhancement, geometric and harmonic means. Each reads the samples of the size x size window
// of every pixel whose window lies inside the image and writes one value there.
#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

#include "FilterCatalogue.h"
#include "FilterRows.h"
#include "Parallel.h"
#include "VectorTarget.h"

namespace velora::detail {
namespace {

using Kind = velora::FilterKind;

inline void Sort2(std::uint8_t& a, std::uint8_t& b) {
    const std::uint8_t lo = std::min(a, b);
    b = std::max(a, b);
    a = lo;
}
#if VELORA_X86
inline void Sort2(__m128i& a, __m128i& b) {
    const __m128i lo = _mm_min_epu8(a, b);
    b = _mm_max_epu8(a, b);
    a = lo;
}
#endif

// The middle one of nine: 19 exchanges.
template <class T>
T MedianOf9(T* p) {
    Sort2(p[1], p[2]), Sort2(p[4], p[5]), Sort2(p[7], p[8]);
    Sort2(p[0], p[1]), Sort2(p[3], p[4]), Sort2(p[6], p[7]);
    Sort2(p[1], p[2]), Sort2(p[4], p[5]), Sort2(p[7], p[8]);
    Sort2(p[0], p[3]), Sort2(p[5], p[8]), Sort2(p[4], p[7]);
    Sort2(p[3], p[6]), Sort2(p[1], p[4]), Sort2(p[2], p[5]);
    Sort2(p[4], p[7]), Sort2(p[4], p[2]), Sort2(p[6], p[4]);
    Sort2(p[4], p[2]);
    return p[4];
}

// Batcher's odd-even merge sort of 32 inputs, keeping only the exchanges that element 12
// depends on: the median of 25 values with 7 inputs at the top value.
struct Exchange {
    int a, b;
};
constexpr int kNet32 = 191;
constexpr std::array<Exchange, kNet32> Batcher32() {
    std::array<Exchange, kNet32> net{};
    int count = 0;
    constexpr int n = 32;
    for (int p = 1; p < n; p <<= 1)
        for (int k = p; k >= 1; k >>= 1)
            for (int j = k % p; j + k < n; j += 2 * k)
                for (int i = 0; i < std::min(k, n - j - k); ++i)
                    if ((i + j) / (2 * p) == (i + j + k) / (2 * p)) net[std::size_t(count++)] = {i + j, i + j + k};
    return net;
}
constexpr int Median25Count() {
    const auto net = Batcher32();
    bool needed[32]{};
    needed[12] = true;
    int count = 0;
    for (int e = kNet32 - 1; e >= 0; --e) {
        const Exchange x = net[std::size_t(e)];
        if (needed[x.a] || needed[x.b]) needed[x.a] = needed[x.b] = true, ++count;
    }
    return count;
}
constexpr int kMedian25 = Median25Count();
constexpr std::array<Exchange, kMedian25> Median25Net() {
    const auto net = Batcher32();
    bool needed[32]{};
    needed[12] = true;
    std::array<Exchange, kMedian25> kept{};
    int count = kMedian25;
    for (int e = kNet32 - 1; e >= 0; --e) {
        const Exchange x = net[std::size_t(e)];
        if (needed[x.a] || needed[x.b]) needed[x.a] = needed[x.b] = true, kept[std::size_t(--count)] = x;
    }
    return kept;
}
constexpr auto kMedian25Net = Median25Net();

template <class T, std::size_t... I>
inline void RunMedian25(T* v, std::index_sequence<I...>) {
    (Sort2(v[kMedian25Net[I].a], v[kMedian25Net[I].b]), ...);
}

template <class T>
T MedianOf25(T* v) {  // v holds 32: the last 7 at the top value
    RunMedian25(v, std::make_index_sequence<kMedian25>{});
    return v[12];
}

struct Rows {
    const WorkVector<std::uint8_t>& samples;
    std::int32_t width;
    const std::uint8_t* Row(std::int32_t y) const { return samples.data() + std::size_t(y) * std::size_t(width); }
};

// out[k] for k in 0..count: the median of the window whose top-left sample is (k, y).
void MedianRow(const Rows& s, std::int32_t y, int n, std::int32_t count, std::uint8_t* out) {
    const std::uint8_t* r[11];
    for (int i = 0; i < n; ++i) r[i] = s.Row(y + i);
    std::int32_t k = 0;
    if (n == 3) {
#if VELORA_X86
        if (HasSse2())
            for (; k + 16 <= count; k += 16) {
                __m128i v[9];
                for (int i = 0; i < 3; ++i)
                    for (int j = 0; j < 3; ++j) v[i * 3 + j] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r[i] + k + j));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), MedianOf9(v));
            }
#endif
        for (; k < count; ++k) {
            std::uint8_t v[9];
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) v[i * 3 + j] = r[i][k + j];
            out[k] = MedianOf9(v);
        }
        return;
    }
    if (n == 5) {
#if VELORA_X86
        if (HasSse2())
            for (; k + 16 <= count; k += 16) {
                __m128i v[32];
                for (int i = 0; i < 5; ++i)
                    for (int j = 0; j < 5; ++j) v[i * 5 + j] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r[i] + k + j));
                for (int i = 25; i < 32; ++i) v[i] = _mm_set1_epi8(char(0xFF));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), MedianOf25(v));
            }
#endif
        for (; k < count; ++k) {
            std::uint8_t v[32];
            for (int i = 0; i < 5; ++i)
                for (int j = 0; j < 5; ++j) v[i * 5 + j] = r[i][k + j];
            std::fill(v + 25, v + 32, std::uint8_t(255));
            out[k] = MedianOf25(v);
        }
        return;
    }
    // Larger windows: a histogram of the window slid along the row; the median is the value
    // at which the running count passes position n*n / 2.
    std::array<int, 256> hist{};
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) ++hist[r[i][j]];
    const int position = n * n / 2;
    int median = 0, below = 0;  // below: values smaller than median
    for (; k < count; ++k) {
        if (k > 0)
            for (int i = 0; i < n; ++i) {
                const int gone = r[i][k - 1], come = r[i][k + n - 1];
                --hist[std::size_t(gone)];
                ++hist[std::size_t(come)];
                below += (come < median) - (gone < median);
            }
        // Move median until below <= position < below + hist[median].
        while (below > position) below -= hist[std::size_t(--median)];
        while (below + hist[std::size_t(median)] <= position) below += hist[std::size_t(median++)];
        out[k] = std::uint8_t(median);
    }
}

// Minimum and maximum of every window: columns of n first, then n of those side by side.
void ExtremesRow(const Rows& s, std::int32_t y, int n, std::int32_t count, std::uint8_t* lo, std::uint8_t* hi,
                 std::vector<std::uint8_t>& colLo, std::vector<std::uint8_t>& colHi) {
    const std::int32_t w = count + n - 1;
    std::copy_n(s.Row(y), w, colLo.begin());
    std::copy_n(s.Row(y), w, colHi.begin());
    for (int i = 1; i < n; ++i) {
        const std::uint8_t* r = s.Row(y + i);
        for (std::int32_t x = 0; x < w; ++x) {
            colLo[std::size_t(x)] = std::min(colLo[std::size_t(x)], r[x]);
            colHi[std::size_t(x)] = std::max(colHi[std::size_t(x)], r[x]);
        }
    }
    std::copy_n(colLo.begin(), count, lo);
    std::copy_n(colHi.begin(), count, hi);
    for (int j = 1; j < n; ++j)
        for (std::int32_t k = 0; k < count; ++k) {
            lo[k] = std::min(lo[k], colLo[std::size_t(k + j)]);
            hi[k] = std::max(hi[k], colHi[std::size_t(k + j)]);
        }
}

}  // namespace

void RankFilter(std::uint8_t* bits, std::size_t stride, std::int32_t width, std::int32_t height, unsigned depth,
                int kindValue, int size) {
    const Kind kind = Kind(kindValue);
    const std::int32_t h = size / 2, count = width - 2 * h, rows = height - 2 * h;
    if (count <= 0 || rows <= 0) return;
    const auto storedRow = [&](std::int32_t y) { return bits + std::size_t(height - 1 - y) * stride; };
    // The samples are read from a copy, so that the results can go straight into the image.
    WorkVector<std::uint8_t> samples(std::size_t(width) * std::size_t(height));
    ForEachRowBand(height, stride, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t y = first; y < last; ++y)
            ReadSampleRow(storedRow(y), width, depth, samples.data() + std::size_t(y) * std::size_t(width));
    });
    const Rows s{samples, width};
    const int n = size, N = n * n;
    const float exponent = 1.0f / float(N);  // formed in single precision
    std::array<float, 256> inverse{};
    for (int v = 1; v < 256; ++v) inverse[std::size_t(v)] = 1.0f / float(v);

    ForEachRowBand(rows, std::size_t(count) * std::size_t(N), [&](std::int32_t first, std::int32_t last) {
        const std::size_t cells = static_cast<std::size_t>(count), columns = static_cast<std::size_t>(width);
        std::vector<std::uint8_t> out(cells), lo(cells), hi(cells), colLo(columns), colHi(columns);
        for (std::int32_t y = first; y < last; ++y) {
            switch (kind) {
                case Kind::Median: MedianRow(s, y, n, count, out.data()); break;
                case Kind::Maximum:
                case Kind::Minimum:
                case Kind::Midpoint:
                case Kind::MaxMinEnhancement: {
                    ExtremesRow(s, y, n, count, lo.data(), hi.data(), colLo, colHi);
                    const std::uint8_t* centre = s.Row(y + h) + h;
                    for (std::int32_t k = 0; k < count; ++k) {
                        const int a = lo[std::size_t(k)], b = hi[std::size_t(k)], c = centre[k];
                        switch (kind) {
                            case Kind::Maximum: out[std::size_t(k)] = std::uint8_t(b); break;
                            case Kind::Minimum: out[std::size_t(k)] = std::uint8_t(a); break;
                            case Kind::Midpoint: out[std::size_t(k)] = std::uint8_t((a + b) >> 1); break;
                            default: out[std::size_t(k)] = std::uint8_t((b - c) < (c - a) ? a : b); break;
                        }
                    }
                    break;
                }
                case Kind::GeometricMean:
                    for (std::int32_t k = 0; k < count; ++k) {
                        double product = 1;
                        for (int i = 0; i < n; ++i) {
                            const std::uint8_t* r = s.Row(y + i) + k;
                            for (int j = 0; j < n; ++j) product *= double(r[j]);
                        }
                        out[std::size_t(k)] = std::uint8_t(int(std::pow(product, double(exponent))));
                    }
                    break;
                case Kind::HarmonicMean:
                    for (std::int32_t k = 0; k < count; ++k) {
                        // A zero makes the sum of inverses infinite and the mean 0.
                        float sum = 0;
                        bool zero = false;
                        for (int i = 0; i < n; ++i) {
                            const std::uint8_t* r = s.Row(y + i) + k;
                            for (int j = 0; j < n; ++j) {
                                zero |= r[j] == 0;
                                sum += inverse[r[j]];
                            }
                        }
                        out[std::size_t(k)] = zero ? 0 : std::uint8_t(int(float(N) / sum));
                    }
                    break;
                default: return;
            }
            WriteSampleRow(storedRow(y + h), h, count, depth, out.data());
        }
    });
}

}  // namespace velora::detail
