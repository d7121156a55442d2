// The Fourier spectrum: an in-place radix-2 transform of the pixel sequence in storage
// order, shown as the log-scaled magnitude.
//
// The butterflies of one stage are independent, so they may run in any order and on any
// thread with the same bytes; what must not change is each butterfly's arithmetic and its
// twiddle, which follows the stage's recurrence u = u * w from u = 1. The first stages run
// block by block inside the cache, the later ones two at a time over the whole array. The
// work is the array of 16 bytes per pixel: the later stages keep only every kChunk-th twiddle
// of the recurrence and carry it on through their chunk, which gives the same values.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

#include "CVelora.h"
#include "Parallel.h"
#include "LargeArrays.h"

using velora::detail::RefuseWithoutMemory;

namespace {

struct Cplx {
    double re, im;
};

inline Cplx Mul(const Cplx& a, const Cplx& b) { return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re}; }

// t = e[ip] * u; e[ip] = e[i] - t; e[i] = e[i] + t.
inline void Butterfly(Cplx& top, Cplx& bottom, const Cplx& u) {
    const Cplx t = Mul(bottom, u);
    bottom = {top.re - t.re, top.im - t.im};
    top = {top.re + t.re, top.im + t.im};
}

// The factor of the recurrence of the stage whose half length is le2.
Cplx StageFactor(std::size_t le2) {
    const double x = 3.14159265 / double(le2);
    return {std::cos(x), -std::sin(x)};
}

// Every every-th twiddle of that stage, in the order the recurrence gives them.
void StageTwiddles(std::size_t le2, std::size_t every, std::vector<Cplx>& out) {
    const Cplx w = StageFactor(le2);
    out.resize(le2 / every);
    Cplx u{1.0, 0.0};
    for (std::size_t j = 0; j < le2; ++j) {
        if (j % every == 0) out[j / every] = u;
        u = Mul(u, w);
    }
}

// One stage over [first, last) of the array, whole groups of length 2 * le2.
void Stage(Cplx* e, std::size_t first, std::size_t last, std::size_t le2, const Cplx* twiddle) {
    for (std::size_t base = first; base < last; base += 2 * le2)
        for (std::size_t j = 0; j < le2; ++j) Butterfly(e[base + j], e[base + j + le2], twiddle[j]);
}

constexpr unsigned kBlockStages = 14;  // 2^14 values of 16 bytes: the first stages stay in cache
constexpr std::size_t kChunk = 1024;   // butterflies per unit of the later stages

}  // namespace

std::uint64_t CVelora::SpectrumWorkBytes(std::int32_t width, std::int32_t height) {
    return std::uint64_t(std::max(width, 0)) * std::uint64_t(std::max(height, 0)) * sizeof(Cplx);
}

unsigned CVelora::Spectrum(int form) {
    return RefuseWithoutMemory(5, [&]() -> unsigned {
        const std::int64_t width = GetWidth(), height = GetHeight();
        const std::int64_t count = width * height;
        if (count <= 0 || (count & (count - 1)) != 0) return 1;
        if (GetBitCount() != 8) return 2;
        if (form < 0 || form > 1) return 3;
        if (SpectrumWorkBytes(GetWidth(), GetHeight()) > kMaxSpectrumWorkBytes) return 6;
        const std::size_t n = std::size_t(count);
        // A block as the images get theirs (large pages where the system gives them: 16 bytes
        // per pixel would otherwise cost a page fault every 256 pixels on first touch).
        const std::unique_ptr<std::uint8_t[]> data = NewBlock(n * sizeof(Cplx), false);
        if (!data) return 5;
        Cplx* const e = reinterpret_cast<Cplx*>(data.get());

        // m as single-precision logarithms give it (exact for every power of two taken here).
        const unsigned m = unsigned(RoundHalfDown(double(std::log10(float(count)) / std::log10(2.0f))));
        if ((std::size_t(1) << m) != n) return 1;

        // The bit-reversal exchange loop leaves at place j the value of place rev(j), j's m bits reversed:
        // each place is filled once from there. The sequence skips the rows' padding, which
        // only images of 1 or 2 columns have (the stride equals the width from 4 columns on).
        const std::size_t columnMask = std::size_t(width) - 1, stride = m_bytesPerRow;
        const unsigned columnBits = unsigned(std::countr_zero(std::uint64_t(width)));
        const auto at = [&](std::size_t i) { return (i >> columnBits) * stride + (i & columnMask); };
        {
            const std::uint8_t* bits = m_pchMapaBits;
            const auto place = [&](std::size_t j, std::size_t source) {
                const std::size_t x = source & columnMask, y = source >> columnBits;
                const double v = bits[at(source)];
                e[j] = {form == 1 && ((x + y) & 1) ? -v : v, 0.0};
            };
            const auto reversed = [](std::size_t v, unsigned length) {
                std::size_t r = 0;
                for (unsigned b = 0; b < length; ++b) r |= ((v >> b) & 1) << (length - 1 - b);
                return r;
            };
            constexpr unsigned q = 7;
            if (m < 2 * q) {
                std::size_t source = 0;
                for (std::size_t j = 0; j < n; ++j) {
                    place(j, source);
                    std::size_t k = n / 2;  // the exchange loop's step to rev(j + 1)
                    while (k != 0 && k <= source) {
                        source -= k;
                        k /= 2;
                    }
                    source += k;
                }
            } else {
                // j = c:b:a with q-bit a and c: rev(j) = rev(a):rev(b):rev(c). For one b the
                // sources lie in 2^q runs of 2^q bytes (a cache-sized tile) and the places in
                // 2^q runs of 2^q values, instead of one scattered read per value.
                const unsigned middle = m - 2 * q;
                std::array<std::size_t, std::size_t(1) << q> rq{};
                for (std::size_t a = 0; a < rq.size(); ++a) rq[a] = reversed(a, q);
                velora::detail::ForEachRowBand(std::int32_t(std::size_t(1) << middle), sizeof(Cplx) << (2 * q),
                                               [&](std::int32_t first, std::int32_t last) {
                    for (std::size_t b = std::size_t(first); b < std::size_t(last); ++b) {
                        const std::size_t jb = b << q, sb = reversed(b, middle) << q;
                        for (std::size_t c = 0; c < rq.size(); ++c) {
                            const std::size_t jc = (c << (m - q)) | jb, sc = sb | rq[c];
                            for (std::size_t a = 0; a < rq.size(); ++a) place(jc | a, (rq[a] << (m - q)) | sc);
                        }
                    }
                });
            }
        }
        // Stages 1..blockStages, one cache-sized block at a time.
        const unsigned blockStages = std::min(m, kBlockStages);
        const std::size_t block = std::size_t(1) << blockStages;
        std::vector<std::vector<Cplx>> early(blockStages + 1);
        for (unsigned l = 1; l <= blockStages; ++l) StageTwiddles(std::size_t(1) << (l - 1), 1, early[l]);
        velora::detail::ForEachRowBand(std::int32_t(n / block), block * sizeof(Cplx), [&](std::int32_t first, std::int32_t last) {
            for (std::size_t b = std::size_t(first); b < std::size_t(last); ++b)
                for (unsigned l = 1; l <= blockStages; ++l)
                    Stage(e, b * block, (b + 1) * block, std::size_t(1) << (l - 1), early[l].data());
        });

        // The rest over the whole array, two stages per pass where two are left: for each j the
        // four values a, a + h, a + 2h, a + 3h go through stage l (pairs a/a+h and a+2h/a+3h,
        // twiddle j) and stage l + 1 (a/a+2h with twiddle j, a+h/a+3h with twiddle j + h).
        // Here h is at least 2^kBlockStages, a whole number of chunks.
        std::vector<Cplx> first, second;
        for (unsigned l = blockStages + 1; l <= m;) {
            const std::size_t h = std::size_t(1) << (l - 1);
            const bool pair = l + 1 <= m;
            const Cplx w1 = StageFactor(h), w2 = StageFactor(2 * h);
            StageTwiddles(h, kChunk, first);
            if (pair) StageTwiddles(2 * h, kChunk, second);
            const std::size_t group = pair ? 4 * h : 2 * h;
            const std::size_t chunksPerGroup = h / kChunk;
            const std::size_t units = (n / group) * chunksPerGroup;
            velora::detail::ForEachRowBand(std::int32_t(units), kChunk * (pair ? 4 : 2) * sizeof(Cplx),
                                           [&](std::int32_t from, std::int32_t to) {
                for (std::size_t unit = std::size_t(from); unit < std::size_t(to); ++unit) {
                    const std::size_t base = (unit / chunksPerGroup) * group;
                    const std::size_t chunk = unit % chunksPerGroup, j0 = chunk * kChunk;
                    Cplx u1 = first[chunk];
                    if (pair) {
                        Cplx u2 = second[chunk], u2h = second[chunk + chunksPerGroup];
                        for (std::size_t j = j0; j < j0 + kChunk; ++j) {
                            Cplx* a = e + base + j;
                            Butterfly(a[0], a[h], u1);
                            Butterfly(a[2 * h], a[3 * h], u1);
                            Butterfly(a[0], a[2 * h], u2);
                            Butterfly(a[h], a[3 * h], u2h);
                            u1 = Mul(u1, w1), u2 = Mul(u2, w2), u2h = Mul(u2h, w2);
                        }
                    } else {
                        for (std::size_t j = j0; j < j0 + kChunk; ++j) {
                            Butterfly(e[base + j], e[base + j + h], u1);
                            u1 = Mul(u1, w1);
                        }
                    }
                }
            });
            l += pair ? 2 : 1;
        }

        // log10(|value| + 1), its largest value, and the scale to the colour table.
        double largest = 0;
        std::mutex merge;
        constexpr std::size_t kRowsOf = 4096;
        const std::size_t bands = (n + kRowsOf - 1) / kRowsOf;
        velora::detail::ForEachRowBand(std::int32_t(bands), kRowsOf * sizeof(Cplx), [&](std::int32_t from, std::int32_t to) {
            double bandLargest = 0;
            const std::size_t end = std::min(n, std::size_t(to) * kRowsOf);
            for (std::size_t i = std::size_t(from) * kRowsOf; i < end; ++i) {
                const double v = std::log10(std::sqrt(e[i].re * e[i].re + e[i].im * e[i].im) + 1.0);
                e[i].re = v;
                bandLargest = std::max(bandLargest, v);
            }
            const std::lock_guard lock(merge);
            largest = std::max(largest, bandLargest);
        });
        const double colours = double(GetNumColors());
        const double highest = std::min(colours, 256.0) - 1;
        std::uint8_t* bits = m_pchMapaBits;
        for (std::size_t i = 0; i < n; ++i) {
            // An all-black image has nothing to scale: every pixel becomes 0.
            const double q = largest > 0 ? e[i].re * colours / largest : 0.0;
            bits[at(i)] = std::uint8_t(q >= highest ? highest : q > 0 ? std::trunc(q) : 0.0);
        }
        return 0;
    });
}
