// Window filters of the predefined list: median, maximum, minimum, midpoint, max-min
// enhancement, geometric and harmonic means. Each reads the samples of the size x size window
// of every pixel whose window lies inside the image and writes one value there.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "FilterCatalogue.h"
#include "FilterRows.h"
#include "Parallel.h"
#include "VectorTarget.h"

namespace velora::detail {
namespace {

using Kind = velora::FilterKind;

#if VELORA_X86
// Every function taking these is inlined, so no vector crosses a call (which -Wpsabi warns of).
#pragma GCC diagnostic ignored "-Wpsabi"
// Sixteen and thirty-two bytes as GCC vectors: the same source compiles to SSE2 or, inlined
// into a VELORA_AVX2 function, to AVX2.
using Bytes16 = std::uint8_t __attribute__((vector_size(16)));
using Bytes32 = std::uint8_t __attribute__((vector_size(32)));
#endif

template <class V>
[[gnu::always_inline]] inline V LoadBytes(const std::uint8_t* p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <class V>
[[gnu::always_inline]] inline void StoreBytes(std::uint8_t* p, V v) {
    std::memcpy(p, &v, sizeof v);
}
template <class V>
[[gnu::always_inline]] inline V Lower(V a, V b) {
    return a < b ? a : b;
}
template <class V>
[[gnu::always_inline]] inline V Higher(V a, V b) {
    return a < b ? b : a;
}
template <class V>
[[gnu::always_inline]] inline V Middle(V a, V b, V c) {
    return Higher(Lower(a, b), Lower(Higher(a, b), c));
}

template <class V>
[[gnu::always_inline]] inline void Sort2(V& a, V& b) {
    const V lo = Lower(a, b);
    b = Higher(a, b);
    a = lo;
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
[[gnu::always_inline]] inline void RunMedian25(T* v, std::index_sequence<I...>) {
    (Sort2(v[kMedian25Net[I].a], v[kMedian25Net[I].b]), ...);
}

template <class T>
[[gnu::always_inline]] inline T MedianOf25(T* v) {  // v holds 32: the last 7 at the top value
    RunMedian25(v, std::make_index_sequence<kMedian25>{});
    return v[12];
}

// The 5 x 5 medians of pixels [k, count) of the rows r, a vector of V at a time; returns the
// first pixel left.
template <class V>
[[gnu::always_inline]] inline std::int32_t Median5Run(const std::uint8_t* const* r, std::int32_t k, std::int32_t count,
                                                      std::uint8_t* out) {
    constexpr std::int32_t n = std::int32_t(sizeof(V));
    V top;
    std::memset(&top, 0xFF, sizeof top);
    for (; k + n <= count; k += n) {
        V v[32];
        for (int i = 0; i < 5; ++i)
            for (int j = 0; j < 5; ++j) v[i * 5 + j] = LoadBytes<V>(r[i] + k + j);
        for (int i = 25; i < 32; ++i) v[i] = top;
        StoreBytes(out + k, MedianOf25(v));
    }
    return k;
}

#if VELORA_X86
VELORA_AVX2 std::int32_t Median5Avx2(const std::uint8_t* const* r, std::int32_t count, std::uint8_t* out) {
    return Median5Run<Bytes32>(r, 0, count, out);
}
#endif


// Scratch of the 3 x 3 median: each column's three samples in order.
struct SortedColumns {
    std::uint8_t *low, *middle, *high;
};

// One step of the 3 x 3 median below at column or pixel x: W is one byte or a vector.
template <class W>
[[gnu::always_inline]] inline void SortColumns(const std::uint8_t* const* r, std::int32_t x, SortedColumns& c) {
    const W a = LoadBytes<W>(r[0] + x), b = LoadBytes<W>(r[1] + x), d = LoadBytes<W>(r[2] + x);
    const W lo = Lower(a, b), hi = Higher(a, b);
    StoreBytes(c.low + x, Lower(lo, d));
    StoreBytes(c.middle + x, Higher(lo, Lower(hi, d)));
    StoreBytes(c.high + x, Higher(hi, d));
}
template <class W>
[[gnu::always_inline]] inline void MedianOfColumns(const SortedColumns& c, std::int32_t k, std::uint8_t* out) {
    const std::uint8_t *low = c.low + k, *middle = c.middle + k, *high = c.high + k;
    const W lows = Higher(Higher(LoadBytes<W>(low), LoadBytes<W>(low + 1)), LoadBytes<W>(low + 2));
    const W highs = Lower(Lower(LoadBytes<W>(high), LoadBytes<W>(high + 1)), LoadBytes<W>(high + 2));
    const W middles = Middle(LoadBytes<W>(middle), LoadBytes<W>(middle + 1), LoadBytes<W>(middle + 2));
    StoreBytes(out + k, Middle(lows, middles, highs));
}

// The 3 x 3 median of a row: every column of the window's three rows sorted once, then per
// pixel the median of the greatest of three lows, the middle of three middles and the least
// of three highs, which is the median of the nine. V is one byte or a vector of them; what
// is left after the vectors goes byte by byte.
template <class V>
[[gnu::always_inline]] inline void Median3Row(const std::uint8_t* const* r, std::int32_t width, std::int32_t count,
                                              SortedColumns& c, std::uint8_t* out) {
    constexpr std::int32_t n = std::int32_t(sizeof(V));
    std::int32_t x = 0, k = 0;
    for (; x + n <= width; x += n) SortColumns<V>(r, x, c);
    for (; x < width; ++x) SortColumns<std::uint8_t>(r, x, c);
    for (; k + n <= count; k += n) MedianOfColumns<V>(c, k, out);
    for (; k < count; ++k) MedianOfColumns<std::uint8_t>(c, k, out);
}

#if VELORA_X86
VELORA_AVX2 void Median3RowAvx2(const std::uint8_t* const* r, std::int32_t width, std::int32_t count, SortedColumns& c,
                                std::uint8_t* out) {
    Median3Row<Bytes32>(r, width, count, c, out);
}
#endif

// out[k] for k in 0..count: the median of the window whose top-left sample is column k of
// the rows r[0..n).
void MedianRow(const std::uint8_t* const* r, std::int32_t width, int n, std::int32_t count, SortedColumns& columns,
               std::uint8_t* out) {
    std::int32_t k = 0;
    if (n == 3) {
#if VELORA_X86
        if (HasAvx2()) return Median3RowAvx2(r, width, count, columns, out);
        if (HasSse2()) return Median3Row<Bytes16>(r, width, count, columns, out);
#endif
        return Median3Row<std::uint8_t>(r, width, count, columns, out);
    }
    if (n == 5) {
#if VELORA_X86
        if (HasAvx2()) k = Median5Avx2(r, count, out);
        if (HasSse2()) k = Median5Run<Bytes16>(r, k, count, out);
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
void ExtremesRow(const std::uint8_t* const* rows, int n, std::int32_t count, std::uint8_t* lo, std::uint8_t* hi,
                 std::uint8_t* colLo, std::uint8_t* colHi) {
    const std::int32_t w = count + n - 1;
    std::copy_n(rows[0], w, colLo);
    std::copy_n(rows[0], w, colHi);
    for (int i = 1; i < n; ++i) {
        const std::uint8_t* r = rows[i];
        for (std::int32_t x = 0; x < w; ++x) {
            colLo[x] = std::min(colLo[x], r[x]);
            colHi[x] = std::max(colHi[x], r[x]);
        }
    }
    std::copy_n(colLo, count, lo);
    std::copy_n(colHi, count, hi);
    for (int j = 1; j < n; ++j)
        for (std::int32_t k = 0; k < count; ++k) {
            lo[k] = std::min(lo[k], colLo[k + j]);
            hi[k] = std::max(hi[k], colHi[k + j]);
        }
}

}  // namespace

void RankFilter(std::uint8_t* bits, std::size_t stride, std::int32_t width, std::int32_t height, unsigned depth,
                int kindValue, int size) {
    const Kind kind = Kind(kindValue);
    const int n = size, N = n * n;
    const std::int32_t h = size / 2, count = width - 2 * h, rows = height - 2 * h;
    if (count <= 0 || rows <= 0) return;
    const auto storedRow = [&](std::int32_t y) { return bits + std::size_t(height - 1 - y) * stride; };
    const std::size_t columns = std::size_t(width), cells = std::size_t(count);

    // The results go straight into the image. The windows are cut into chunks of rows, each
    // walked top to bottom with the samples of its last n image rows in a ring, read just
    // before the first window that needs them; a chunk overwrites a row only after reading
    // it. The 2h rows where one chunk ends and the next begins are read by both and written by
    // one, so their samples are taken for both before any chunk runs. Chunks hold at least n
    // rows, so no chunk reaches beyond its neighbours.
    const std::int32_t wanted = std::int32_t(std::min<std::int64_t>(rows, 4 * std::int64_t(EffectiveThreadCount())));
    const std::int32_t chunkRows = std::max<std::int32_t>((rows + wanted - 1) / wanted, n);
    const std::int32_t chunks = (rows + chunkRows - 1) / chunkRows;
    const std::size_t edge = std::size_t(2 * h) * columns;
    // Everything is taken before any row changes, so that a refusal leaves the image as it was.
    const std::size_t perChunk = std::size_t(n) * columns + 3 * cells + 5 * columns;
    WorkVector<std::uint8_t> edges(std::size_t(chunks - 1) * edge), scratch(std::size_t(chunks) * perChunk);
    for (std::int32_t c = 1; c < chunks; ++c)
        for (std::int32_t i = 0; i < 2 * h; ++i)
            ReadSampleRow(storedRow(c * chunkRows + i), width, depth, edges.data() + std::size_t(c - 1) * edge + std::size_t(i) * columns);

    const float exponent = 1.0f / float(N);  // formed in single precision
    std::array<float, 256> inverse{};
    for (int v = 1; v < 256; ++v) inverse[std::size_t(v)] = 1.0f / float(v);

    const auto runChunk = [&](std::int32_t c) {
        std::uint8_t* const ring = scratch.data() + std::size_t(c) * perChunk;
        std::uint8_t* const out = ring + std::size_t(n) * columns;
        std::uint8_t *const lo = out + cells, *const hi = lo + cells, *const colLo = hi + cells, *const colHi = colLo + columns;
        SortedColumns sorted{colHi + columns, colHi + 2 * columns, colHi + 3 * columns};
        const std::int32_t y0 = c * chunkRows, y1 = std::min(rows, y0 + chunkRows);
        const auto slot = [&](std::int32_t r) { return ring + std::size_t(r % n) * columns; };
        const auto load = [&](std::int32_t r) {
            if (c > 0 && r < y0 + 2 * h)
                std::memcpy(slot(r), edges.data() + std::size_t(c - 1) * edge + std::size_t(r - y0) * columns, columns);
            else if (c + 1 < chunks && r >= y1)
                std::memcpy(slot(r), edges.data() + std::size_t(c) * edge + std::size_t(r - y1) * columns, columns);
            else
                ReadSampleRow(storedRow(r), width, depth, slot(r));
        };
        for (std::int32_t r = y0; r < y0 + 2 * h; ++r) load(r);
        const std::uint8_t* window[11];
        for (std::int32_t y = y0; y < y1; ++y) {
            load(y + 2 * h);
            for (int i = 0; i < n; ++i) window[i] = slot(y + i);
            switch (kind) {
                case Kind::Median: MedianRow(window, width, n, count, sorted, out); break;
                case Kind::Maximum:
                case Kind::Minimum:
                case Kind::Midpoint:
                case Kind::MaxMinEnhancement: {
                    ExtremesRow(window, n, count, lo, hi, colLo, colHi);
                    const std::uint8_t* centre = window[h] + h;
                    for (std::int32_t k = 0; k < count; ++k) {
                        const int a = lo[k], b = hi[k], v = centre[k];
                        switch (kind) {
                            case Kind::Maximum: out[k] = std::uint8_t(b); break;
                            case Kind::Minimum: out[k] = std::uint8_t(a); break;
                            case Kind::Midpoint: out[k] = std::uint8_t((a + b) >> 1); break;
                            default: out[k] = std::uint8_t((b - v) < (v - a) ? a : b); break;
                        }
                    }
                    break;
                }
                case Kind::GeometricMean:
                    for (std::int32_t k = 0; k < count; ++k) {
                        double product = 1;
                        for (int i = 0; i < n; ++i)
                            for (int j = 0; j < n; ++j) product *= double(window[i][k + j]);
                        out[k] = std::uint8_t(int(std::pow(product, double(exponent))));
                    }
                    break;
                case Kind::HarmonicMean:
                    for (std::int32_t k = 0; k < count; ++k) {
                        // A zero makes the sum of inverses infinite and the mean 0.
                        float sum = 0;
                        bool zero = false;
                        for (int i = 0; i < n; ++i)
                            for (int j = 0; j < n; ++j) {
                                const std::uint8_t v = window[i][k + j];
                                zero |= v == 0;
                                sum += inverse[v];
                            }
                        out[k] = zero ? 0 : std::uint8_t(int(float(N) / sum));
                    }
                    break;
                default: return;
            }
            WriteSampleRow(storedRow(y + h), h, count, depth, out);
        }
    };
    ForEachRowBand(chunks, std::size_t(chunkRows) * cells * std::size_t(N), [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t c = first; c < last; ++c) runChunk(c);
    });
}

}  // namespace velora::detail
