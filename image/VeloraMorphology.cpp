// Mathematical morphology with an element of up to 5 x 5: binary (1 bit, index 0 the members)
// and gray (4 and 8 bits, the indices as levels).
//
// Gray levels are worked as bytes, a vector of them at a time (4-bit rows unpacked as they
// are needed). An element whose values are all equal is separable: the extreme of the
// window's rows column by column, then along the row, then the value added or taken with
// saturation. Any other element adds each cell's value to its shifted source row with
// saturation and keeps the extreme. Binary images are worked as words of 64 pixels with the
// members as 1: a dilation ORs, an erosion ANDs the source rows shifted by each member
// cell's column. The passes of a compound run together (see ChainBand).
//
// Output pixel (x, y) reads source (x - offX + c, y - offY + r) under cell (r, c), with
// offX = w - 1 - originX and offY = h - 1 - originY; a dilation weighs that cell with the
// element reflected through its middle. The outside reads as white (binary), as 0 in a gray
// dilation and as the top level in a gray erosion.
#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <type_traits>

#include "CVelora.h"
#include "FilterRows.h"
#include "Parallel.h"
#include "VectorTarget.h"

namespace {

using velora::detail::ForEachRowBand;
using velora::detail::WorkVector;

struct Element {
    std::span<const std::uint8_t> values;
    int width, height, originX, originY;
    std::uint8_t At(int r, int c) const { return values[std::size_t(r) * width + c]; }
    std::uint8_t Reflected(int r, int c) const { return At(height - 1 - r, width - 1 - c); }
    // The value a pass weighs cell (r, c) with.
    std::uint8_t Weight(int r, int c, bool dilate) const { return dilate ? Reflected(r, c) : At(r, c); }
    Element Mirrored() const { return {values, width, height, width - 1 - originX, height - 1 - originY}; }
    int OffX() const { return width - 1 - originX; }
    int OffY() const { return height - 1 - originY; }
};

// How the result's row is formed from the last pass of a chain.
enum class Combine {
    None,      // the last pass
    Gradient,  // the last pass minus a second one over the same rows
    TopHat,    // the image minus the last pass
};

// Work per row for ForEachRowBand: every pixel reads every cell.
std::size_t RowWork(std::int32_t width, const Element& el) {
    return std::size_t(width) * std::size_t(el.width * el.height);
}

// Byte kernels

#if VELORA_X86
// Every function taking these is inlined, so no vector crosses a call (which -Wpsabi warns of).
#pragma GCC diagnostic ignored "-Wpsabi"
// Sixteen and thirty-two bytes as GCC vectors: the same source compiles to SSE2 or, inlined
// into a VELORA_AVX2 function, to AVX2.
using Bytes16 = std::uint8_t __attribute__((vector_size(16)));
using Bytes32 = std::uint8_t __attribute__((vector_size(32)));
using Words2 = std::uint64_t __attribute__((vector_size(16)));
using Words4 = std::uint64_t __attribute__((vector_size(32)));
#endif

template <class V>
[[gnu::always_inline]] inline V Load(const std::uint8_t* p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <class V>
[[gnu::always_inline]] inline void Store(std::uint8_t* p, V v) {
    std::memcpy(p, &v, sizeof v);
}
template <class V>
[[gnu::always_inline]] inline V LoadWords(const std::uint64_t* p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <class V>
[[gnu::always_inline]] inline void StoreWords(std::uint64_t* p, V v) {
    std::memcpy(p, &v, sizeof v);
}
template <class V>
[[gnu::always_inline]] inline V Splat(std::uint8_t b) {
    return V(V{} + b);
}
template <bool kMax, class V>
[[gnu::always_inline]] inline V Pick(V a, V b) {
    if constexpr (kMax) return a < b ? b : a;
    else return a < b ? a : b;
}
// a + b and a - b held to 0..255.
template <class V>
[[gnu::always_inline]] inline V AddS(V a, V b) {
    return V(a + Pick<false>(b, V(~a)));
}
template <class V>
[[gnu::always_inline]] inline V SubS(V a, V b) {
    return V(a - Pick<false>(a, b));
}

// Runs step<W>(x) over x in [0, width): vectors of V, then bytes.
#define MORPH_ALONG(V, width, step)                                                        \
    do {                                                                                    \
        std::int32_t x_ = 0;                                                                \
        for (; x_ + std::int32_t(sizeof(V)) <= (width); x_ += std::int32_t(sizeof(V))) step(V, x_); \
        for (; x_ < (width); ++x_) step(std::uint8_t, x_);                                  \
    } while (0)

// The same over words w in [0, count): vectors of V, then single words.
#define MORPH_ALONG_WORDS(V, count, step)                                      \
    do {                                                                      \
        constexpr std::int32_t lanes_ = std::int32_t(sizeof(V) / 8);           \
        std::int32_t w_ = 0;                                                  \
        for (; w_ + lanes_ <= (count); w_ += lanes_) step(V, w_);             \
        for (; w_ < (count); ++w_) step(std::uint64_t, w_);                   \
    } while (0)

// out[x] = the extreme of rows[0..kRows)[x]. The row pointers are held in locals and the
// steps written out: the byte stores could otherwise alias the pointers, and -O2 keeps loops.
template <bool kMax, int kRows, class V>
[[gnu::always_inline]] inline void ExtremeOfRows(const std::uint8_t* const* rows, std::int32_t width,
                                                 std::uint8_t* out) {
    const std::uint8_t *r0 = rows[0], *r1 = rows[kRows > 1 ? 1 : 0], *r2 = rows[kRows > 2 ? 2 : 0];
    const std::uint8_t *r3 = rows[kRows > 3 ? 3 : 0], *r4 = rows[kRows > 4 ? 4 : 0];
#define MORPH_STEP(W, x)                                                \
    {                                                                  \
        W m = Load<W>(r0 + (x));                                       \
        if constexpr (kRows > 1) m = Pick<kMax>(m, Load<W>(r1 + (x))); \
        if constexpr (kRows > 2) m = Pick<kMax>(m, Load<W>(r2 + (x))); \
        if constexpr (kRows > 3) m = Pick<kMax>(m, Load<W>(r3 + (x))); \
        if constexpr (kRows > 4) m = Pick<kMax>(m, Load<W>(r4 + (x))); \
        Store(out + (x), m);                                           \
    }
    MORPH_ALONG(V, width, MORPH_STEP);
#undef MORPH_STEP
}

// out[x] = the extreme of v[x..x+kWidth), then k added (dilation, held to top) or taken
// (erosion) when kWeighed.
template <bool kMax, int kWidth, bool kWeighed, class V>
[[gnu::always_inline]] inline void ExtremeAlong(const std::uint8_t* v, std::int32_t width, std::uint8_t k,
                                                std::uint8_t top, std::uint8_t* out) {
#define MORPH_STEP(W, x)                                                                       \
    {                                                                                         \
        const std::uint8_t* p = v + (x);                                                      \
        W m = Load<W>(p);                                                                     \
        if constexpr (kWidth > 1) m = Pick<kMax>(m, Load<W>(p + 1));                          \
        if constexpr (kWidth > 2) m = Pick<kMax>(m, Load<W>(p + 2));                          \
        if constexpr (kWidth > 3) m = Pick<kMax>(m, Load<W>(p + 3));                          \
        if constexpr (kWidth > 4) m = Pick<kMax>(m, Load<W>(p + 4));                          \
        if constexpr (kWeighed && kMax) m = Pick<false>(AddS(m, Splat<W>(k)), Splat<W>(top)); \
        if constexpr (kWeighed && !kMax) m = SubS(m, Splat<W>(k));                            \
        Store(out + (x), m);                                                                  \
    }
    MORPH_ALONG(V, width, MORPH_STEP);
#undef MORPH_STEP
}

// The two above with their counts (1 to 5) chosen at run time; an element of 0s needs no
// weighing (4-bit levels never pass the top).
template <bool kMax, class V>
[[gnu::always_inline]] inline void ExtremeOfRows(const std::uint8_t* const* rows, int n, std::int32_t width,
                                                 std::uint8_t* out) {
    switch (n) {
        case 1: return ExtremeOfRows<kMax, 1, V>(rows, width, out);
        case 2: return ExtremeOfRows<kMax, 2, V>(rows, width, out);
        case 3: return ExtremeOfRows<kMax, 3, V>(rows, width, out);
        case 4: return ExtremeOfRows<kMax, 4, V>(rows, width, out);
        default: return ExtremeOfRows<kMax, 5, V>(rows, width, out);
    }
}
template <bool kMax, bool kWeighed, class V>
[[gnu::always_inline]] inline void ExtremeAlong(const std::uint8_t* v, int w, std::int32_t width, std::uint8_t k,
                                                std::uint8_t top, std::uint8_t* out) {
    switch (w) {
        case 1: return ExtremeAlong<kMax, 1, kWeighed, V>(v, width, k, top, out);
        case 2: return ExtremeAlong<kMax, 2, kWeighed, V>(v, width, k, top, out);
        case 3: return ExtremeAlong<kMax, 3, kWeighed, V>(v, width, k, top, out);
        case 4: return ExtremeAlong<kMax, 4, kWeighed, V>(v, width, k, top, out);
        default: return ExtremeAlong<kMax, 5, kWeighed, V>(v, width, k, top, out);
    }
}

// p + k (dilation) or p - k, held to 0..255.
template <bool kMax, class V>
[[gnu::always_inline]] inline V Weighed(V p, V k) {
    if constexpr (kMax) return AddS(p, k);
    else return SubS(p, k);
}

// acc[x] = the extreme of acc[x] and p[x + c] weighed by k[c], c in [0, kWidth): one row of a
// weighted element.
template <bool kMax, int kWidth, class V>
[[gnu::always_inline]] inline void WeighRow(const std::uint8_t* p, const std::uint8_t* k, std::int32_t width,
                                            std::uint8_t* acc) {
    const std::uint8_t k0 = k[0], k1 = k[kWidth > 1 ? 1 : 0], k2 = k[kWidth > 2 ? 2 : 0];
    const std::uint8_t k3 = k[kWidth > 3 ? 3 : 0], k4 = k[kWidth > 4 ? 4 : 0];
#define MORPH_STEP(W, x)                                                                                \
    {                                                                                                  \
        const std::uint8_t* q = p + (x);                                                               \
        W m = Pick<kMax>(Load<W>(acc + (x)), Weighed<kMax>(Load<W>(q), Splat<W>(k0)));                 \
        if constexpr (kWidth > 1) m = Pick<kMax>(m, Weighed<kMax>(Load<W>(q + 1), Splat<W>(k1)));      \
        if constexpr (kWidth > 2) m = Pick<kMax>(m, Weighed<kMax>(Load<W>(q + 2), Splat<W>(k2)));      \
        if constexpr (kWidth > 3) m = Pick<kMax>(m, Weighed<kMax>(Load<W>(q + 3), Splat<W>(k3)));      \
        if constexpr (kWidth > 4) m = Pick<kMax>(m, Weighed<kMax>(Load<W>(q + 4), Splat<W>(k4)));      \
        Store(acc + (x), m);                                                                           \
    }
    MORPH_ALONG(V, width, MORPH_STEP);
#undef MORPH_STEP
}
template <bool kMax, class V>
[[gnu::always_inline]] inline void WeighRow(const std::uint8_t* p, const std::uint8_t* k, int w, std::int32_t width,
                                            std::uint8_t* acc) {
    switch (w) {
        case 1: return WeighRow<kMax, 1, V>(p, k, width, acc);
        case 2: return WeighRow<kMax, 2, V>(p, k, width, acc);
        case 3: return WeighRow<kMax, 3, V>(p, k, width, acc);
        case 4: return WeighRow<kMax, 4, V>(p, k, width, acc);
        default: return WeighRow<kMax, 5, V>(p, k, width, acc);
    }
}

// out[x] = min(p[x], top).
template <class V>
[[gnu::always_inline]] inline void HoldTo(std::uint8_t top, std::int32_t width, std::uint8_t* p) {
#define MORPH_STEP(W, x) Store(p + (x), Pick<false>(Load<W>(p + (x)), Splat<W>(top)));
    MORPH_ALONG(V, width, MORPH_STEP);
#undef MORPH_STEP
}

// out[x] = a[x] - b[x], negative differences 0.
template <class V>
[[gnu::always_inline]] inline void Difference(const std::uint8_t* a, const std::uint8_t* b, std::int32_t width,
                                              std::uint8_t* out) {
#define MORPH_STEP(W, x) Store(out + (x), SubS(Load<W>(a + (x)), Load<W>(b + (x))));
    MORPH_ALONG(V, width, MORPH_STEP);
#undef MORPH_STEP
}


// Rows of levels (one byte per pixel) or of member words: row y at top + (y & mask) * stride,
// the mask -1 for whole images (the stride negative for stored rows, which are bottom-up) and
// 15 for a ring of the 16 latest rows.
template <class T>
struct RowsOf {
    T* top = nullptr;
    std::ptrdiff_t stride = 0;
    std::int32_t mask = -1;
    T* Row(std::int32_t y) const { return top + (y & mask) * stride; }
};
using Levels = RowsOf<const std::uint8_t>;
using Bits = RowsOf<const std::uint64_t>;

struct GrayPass {
    Levels source;
    Element el;
    bool dilate;
};

constexpr int kPad = 4;      // the farthest a cell reaches beside its pixel
constexpr int kSlack = 32;   // a vector's reach past the last pixel

// One pass's rows, with the scratch of a band.
class GrayRows {
public:
    GrayRows(const GrayPass& pass, std::int32_t width, std::int32_t height, std::uint8_t top)
        : m_pass(pass), m_width(width), m_height(height), m_top(top) {
        const Element& el = pass.el;
        m_flat = std::all_of(el.values.begin(), el.values.begin() + el.width * el.height,
                             [&](std::uint8_t v) { return v == el.values[0]; });
        const std::size_t span = std::size_t(width) + 2 * kPad + kSlack;
        if (m_flat) {
            // The window's column extremes with a neutral border around them.
            m_line.assign(span, pass.dilate ? 0 : 255);
            return;
        }
        // Source rows with the outside's level on both sides; the last one all outside.
        m_span = span;
        m_line.assign(span * 6, pass.dilate ? 0 : top);
        std::fill(m_tags, m_tags + 5, -1);
    }

    template <class V>
    [[gnu::always_inline]] inline void Row(std::int32_t y, std::uint8_t* out) {
        if (m_pass.dilate) Rows<true, V>(y, out);
        else Rows<false, V>(y, out);
    }

private:
    template <bool kMax, class V>
    [[gnu::always_inline]] inline void Rows(std::int32_t y, std::uint8_t* out) {
        const Element& el = m_pass.el;
        const int offX = el.OffX(), offY = el.OffY();
        if (m_flat) {
            const std::uint8_t* rows[5];
            int n = 0;
            for (int r = 0; r < el.height; ++r) {
                const std::int32_t sy = y - offY + r;
                if (sy >= 0 && sy < m_height) rows[n++] = m_pass.source.Row(sy);
            }
            // Rows outside never decide: the window's own row always lies inside.
            std::uint8_t* line = m_line.data() + kPad;
            ExtremeOfRows<kMax, V>(rows, n, m_width, line);
            if (el.values[0] == 0) ExtremeAlong<kMax, false, V>(line - offX, el.width, m_width, 0, m_top, out);
            else ExtremeAlong<kMax, true, V>(line - offX, el.width, m_width, el.values[0], m_top, out);
            return;
        }
        std::memset(out, kMax ? 0 : 255, std::size_t(m_width));
        for (int r = 0; r < el.height; ++r) {
            std::uint8_t weights[5];
            for (int c = 0; c < el.width; ++c) weights[c] = el.Weight(r, c, kMax);
            WeighRow<kMax, V>(Padded(y - offY + r) - offX, weights, el.width, m_width, out);
        }
        if constexpr (kMax) HoldTo<V>(m_top, m_width, out);
    }

    // Source row sy with its border; the all-outside row beyond the image.
    const std::uint8_t* Padded(std::int32_t sy) {
        if (sy < 0 || sy >= m_height) return m_line.data() + 5 * m_span + kPad;
        const int slot = int(sy % 5);
        std::uint8_t* p = m_line.data() + std::size_t(slot) * m_span + kPad;
        if (m_tags[slot] != sy) {
            std::memcpy(p, m_pass.source.Row(sy), std::size_t(m_width));
            m_tags[slot] = sy;
        }
        return p;
    }

    const GrayPass& m_pass;
    std::int32_t m_width, m_height;
    std::uint8_t m_top;
    bool m_flat = false;
    std::size_t m_span = 0;
    WorkVector<std::uint8_t> m_line;
    std::int32_t m_tags[5] = {};
};

// Levels into the stored row of a 4- or 8-bit image (an 8-bit row may hold them already);
// unused bits and bytes from the original.
void StoreLevels(const std::uint8_t* levels, std::int32_t width, unsigned depth, const std::uint8_t* original,
                 std::size_t rowBytes, std::uint8_t* row) {
    std::size_t used = std::size_t(width);
    if (depth == 4) {
        const std::int32_t pairs = width / 2;
        for (std::int32_t i = 0; i < pairs; ++i) row[i] = std::uint8_t(levels[2 * i] << 4 | levels[2 * i + 1]);
        used = std::size_t(pairs);
        if (width & 1) {
            row[pairs] = std::uint8_t(levels[width - 1] << 4 | (original[pairs] & 0x0F));
            ++used;
        }
    }
    std::memcpy(row + used, original + used, rowBytes - used);
}

// Binary images: rows of 64-pixel words, pixel x at bit 63 - x % 64 of word x / 64, the
// members as 1 and everything past the last pixel 0. Each row has a zero word before and
// after it, so that shifted reads need no test at the ends.

std::int32_t WordsOf(std::int32_t width) { return (width + 63) / 64; }
std::uint64_t LastWordMask(std::int32_t width) { return (width & 63) ? ~0ull << (64 - (width & 63)) : ~0ull; }

// A stored 1-bit row as member words.
void ReadMembers(const std::uint8_t* row, std::int32_t width, std::uint64_t* out) {
    const std::int32_t words = WordsOf(width), whole = width / 64;
    for (std::int32_t i = 0; i < whole; ++i) {
        std::uint64_t w;
        std::memcpy(&w, row + 8 * std::size_t(i), 8);
        out[i] = ~__builtin_bswap64(w);
    }
    if (whole < words) {
        std::uint64_t w = 0;
        std::memcpy(&w, row + 8 * std::size_t(whole), std::size_t(width + 7) / 8 - 8 * std::size_t(whole));
        out[whole] = ~__builtin_bswap64(w) & LastWordMask(width);
    }
}

// Member words into a stored 1-bit row; unused bits and bytes from the original.
void WriteMembers(const std::uint64_t* in, std::int32_t width, const std::uint8_t* original, std::size_t rowBytes,
                  std::uint8_t* row) {
    const std::int32_t words = WordsOf(width), whole = width / 64;
    const std::size_t bytes = std::size_t(width + 7) / 8;
    for (std::int32_t i = 0; i < whole; ++i) {
        const std::uint64_t w = __builtin_bswap64(~in[i]);
        std::memcpy(row + 8 * std::size_t(i), &w, 8);
    }
    if (whole < words) {
        const std::uint64_t w = __builtin_bswap64(~in[whole]);
        std::memcpy(row + 8 * std::size_t(whole), &w, bytes - 8 * std::size_t(whole));
    }
    if (const int rest = width & 7) {
        const auto keep = std::uint8_t(0xFF00u >> rest);
        row[bytes - 1] = std::uint8_t((row[bytes - 1] & keep) | (original[bytes - 1] & ~keep));
    }
    std::memcpy(row + bytes, original + bytes, rowBytes - bytes);
}

struct BitPass {
    Bits source;
    Element el;
    bool dilate;
};

// One pass's rows. The element's rows that have the same member columns are combined first
// (ORed for a dilation, ANDed for an erosion), then shifted once per member column.
class BitRows {
public:
    BitRows(const BitPass& pass, std::int32_t width, std::int32_t height)
        : m_pass(pass), m_width(width), m_height(height), m_words(WordsOf(width)), m_line(std::size_t(m_words) + 2, 0) {
        const Element& el = pass.el;
        for (int r = 0; r < el.height; ++r) {
            unsigned columns = 0;
            for (int c = 0; c < el.width; ++c) {
                const std::uint8_t v = el.Weight(r, c, pass.dilate);
                if (pass.dilate ? v != 1 : v == 0) columns |= 1u << c;
            }
            if (columns == 0) continue;
            Group* g = std::find_if(m_groups, m_groups + m_count, [&](const Group& e) { return e.columns == columns; });
            if (g == m_groups + m_count) {
                *g = {columns, {}, 0, {}, 0};
                for (int c = 0; c < el.width; ++c)
                    if (columns >> c & 1) g->shifts[g->shiftCount++] = c - el.OffX();
                ++m_count;
            }
            g->rows[g->rowCount++] = r - el.OffY();
        }
    }

    template <class W>
    [[gnu::always_inline]] inline void Row(std::int32_t y, std::uint64_t* out) {
        const bool dilate = m_pass.dilate;
        std::fill(out, out + m_words, dilate ? 0 : ~0ull);
        std::uint64_t* line = m_line.data() + 1;
        for (int k = 0; k < m_count; ++k) {
            const Group& g = m_groups[k];
            const std::uint64_t* v = nullptr;
            for (int i = 0; i < g.rowCount; ++i) {
                const std::int32_t sy = y + g.rows[i];
                if (sy < 0 || sy >= m_height) {
                    if (dilate) continue;  // the outside holds no member
                    std::fill(out, out + m_words, 0);
                    return;
                }
                const std::uint64_t* row = m_pass.source.Row(sy);
                if (!v) {
                    v = row;
                    continue;
                }
                if (dilate) Combine<true, W>(v, row, line);
                else Combine<false, W>(v, row, line);
                v = line;
            }
            if (!v) continue;
            if (dilate) Shift<true, W>(g, v, out);
            else Shift<false, W>(g, v, out);
        }
        out[m_words - 1] &= LastWordMask(m_width);
    }

private:
    struct Group {
        unsigned columns;
        int shifts[5];
        int shiftCount;
        std::int32_t rows[5];
        int rowCount;
    };

    // out = a | b or a & b, word by word (out may be a).
    template <bool kOr, class W>
    [[gnu::always_inline]] inline void Combine(const std::uint64_t* a, const std::uint64_t* b,
                                               std::uint64_t* out) const {
#define MORPH_STEP(T, w) StoreWords(out + (w), kOr ? LoadWords<T>(a + (w)) | LoadWords<T>(b + (w)) \
                                                   : LoadWords<T>(a + (w)) & LoadWords<T>(b + (w)));
        MORPH_ALONG_WORDS(W, m_words, MORPH_STEP);
#undef MORPH_STEP
    }

    // out |= (or &=) v shifted by each of the group's columns.
    template <bool kOr, class W>
    [[gnu::always_inline]] inline void Shift(const Group& g, const std::uint64_t* v, std::uint64_t* out) const {
#define MORPH_STEP(T, w)                                                                       \
    {                                                                                          \
        T x = LoadWords<T>(out + (w));                                                         \
        for (int j = 0; j < g.shiftCount; ++j) {                                               \
            const int d = g.shifts[j];                                                         \
            const T s = d > 0   ? T(LoadWords<T>(v + (w)) << d | LoadWords<T>(v + (w) + 1) >> (64 - d)) \
                        : d < 0 ? T(LoadWords<T>(v + (w)) >> -d | LoadWords<T>(v + (w) - 1) << (64 + d)) \
                                : LoadWords<T>(v + (w));                                       \
            x = kOr ? T(x | s) : T(x & s);                                                     \
        }                                                                                      \
        StoreWords(out + (w), x);                                                              \
    }
        MORPH_ALONG_WORDS(W, m_words, MORPH_STEP);
#undef MORPH_STEP
    }

    const BitPass& m_pass;
    std::int32_t m_width, m_height, m_words;
    WorkVector<std::uint64_t> m_line;
    Group m_groups[5];
    int m_count = 0;
};

// Chains of passes

struct Step {
    Element el;
    bool dilate;
};

// The passes of an operation, in order, each over the rows of the one before (the first
// over the image); the last gives the result's rows, formed as combine says. A gradient
// subtracts `second`, over the same rows as the last; a top-hat subtracts the last pass from
// the image.
struct Chain {
    Step steps[4];
    int count;
    Step second;
    Combine combine;
};

// An image's morphology: its stored rows and the result's (the same layout), and the chain.
struct Job {
    Chain chain;
    const std::uint8_t* sourceTop;
    std::uint8_t* resultTop;
    std::ptrdiff_t stride;
    std::size_t rowBytes;
    std::int32_t width, height;
    unsigned depth;
};

// How far a pass reads above (behind) and below (ahead) the row it makes.
std::int32_t Behind(const Step& s) { return s.el.OffY(); }
std::int32_t Ahead(const Step& s) { return s.el.height - 1 - s.el.OffY(); }

// Rows [first, last) of the result. The chain's passes run together, a row at a time: each
// intermediate pass keeps its latest rows in a ring, and makes its row t + ahead when the
// result makes row t, ahead being what the passes after it read below their rows. Nothing
// the size of the image is written but the result. A band also makes the few rows above and
// below it that its passes read; the next band makes them again.
template <bool kGray, class V>
[[gnu::always_inline]] inline void ChainBand(const Job& job, std::int32_t first, std::int32_t last) {
    using T = std::conditional_t<kGray, std::uint8_t, std::uint64_t>;
    using Pass = std::conditional_t<kGray, GrayPass, BitPass>;
    using PassRows = std::conditional_t<kGray, GrayRows, BitRows>;
    constexpr std::int32_t kRing = 16;
    const Chain& c = job.chain;
    const std::int32_t width = job.width, height = job.height, n = c.count;
    // Binary rows have their guard words; 8-bit images are read in place.
    const std::size_t span = kGray ? std::size_t(width) + kSlack : std::size_t(WordsOf(width)) + 2;
    const std::size_t lead = kGray ? 0 : 1;
    const bool unpack = !kGray || job.depth != 8;
    WorkVector<T> store(span * std::size_t(kRing * n + 2), T(0));
    const auto ring = [&](int i) { return RowsOf<T>{store.data() + std::size_t(i * kRing) * span + lead, std::ptrdiff_t(span), kRing - 1}; };
    T* const scratch = store.data() + std::size_t(kRing * n) * span + lead;
    T* const other = scratch + span;

    RowsOf<const T> source{ring(0).top, ring(0).stride, ring(0).mask};
    if constexpr (kGray)
        if (!unpack) source = {job.sourceTop, job.stride, -1};
    Pass passes[4];
    std::optional<PassRows> rows[4], second;
    const std::uint8_t top = std::uint8_t((1u << job.depth) - 1);
    for (int i = 0; i < n; ++i) {
        const RowsOf<T> in = ring(i);
        passes[i] = {i == 0 ? source : RowsOf<const T>{in.top, in.stride, in.mask}, c.steps[i].el, c.steps[i].dilate};
        if constexpr (kGray) rows[i].emplace(passes[i], width, height, top);
        else rows[i].emplace(passes[i], width, height);
    }
    const Pass secondPass{passes[n - 1].source, c.second.el, c.second.dilate};
    if (c.combine == Combine::Gradient) {
        if constexpr (kGray) second.emplace(secondPass, width, height, top);
        else second.emplace(secondPass, width, height);
    }

    // Producer i makes rows [lo[i], hi[i]) as t runs; producer n is the image's unpacking.
    std::int32_t ahead[5], lo[5], hi[5], start = first;
    ahead[n - 1] = 0;
    std::int32_t behind = 0;
    for (int i = n - 1; i >= 0; --i) {
        if (i < n - 1) ahead[i] = ahead[i + 1] + Ahead(c.steps[i + 1]);
        if (i < n - 1) behind += Behind(c.steps[i + 1]);
        lo[i] = std::max(0, first - behind);
        hi[i] = std::min(height, last + ahead[i]);
        start = std::min(start, lo[i] - ahead[i]);
    }
    ahead[n] = ahead[0] + Ahead(c.steps[0]);
    lo[n] = std::max(0, first - behind - Behind(c.steps[0]));
    hi[n] = std::min(height, last + ahead[n]);
    start = std::min(start, lo[n] - ahead[n]);

    for (std::int32_t t = start; t < last; ++t) {
        if (unpack) {
            const std::int32_t k = t + ahead[n];
            if (k >= lo[n] && k < hi[n]) {
                const std::uint8_t* packed = job.sourceTop + k * job.stride;
                T* out = ring(0).Row(k);
                if constexpr (kGray)
                    for (std::int32_t x = 0; x < width; ++x)
                        out[x] = std::uint8_t((x & 1) ? packed[x >> 1] & 0x0F : packed[x >> 1] >> 4);
                else
                    ReadMembers(packed, width, out);
            }
        }
        for (int i = 0; i + 1 < n; ++i) {
            const std::int32_t k = t + ahead[i];
            if (k >= lo[i] && k < hi[i]) rows[i]->template Row<V>(k, ring(i + 1).Row(k));
        }
        if (t < first) continue;
        std::uint8_t* const stored = job.resultTop + t * job.stride;
        const std::uint8_t* const original = job.sourceTop + t * job.stride;
        T* out = scratch;
        if constexpr (kGray)
            if (job.depth == 8) out = stored;
        PassRows& final = *rows[n - 1];
        switch (c.combine) {
            case Combine::None: final.template Row<V>(t, out); break;
            case Combine::Gradient:
                final.template Row<V>(t, out);
                second->template Row<V>(t, other);
                break;
            case Combine::TopHat: final.template Row<V>(t, other); break;
        }
        if (c.combine != Combine::None) {
            const T* minuend = c.combine == Combine::Gradient ? out : source.Row(t);
            if constexpr (kGray) Difference<V>(minuend, other, width, out);
            else
                for (std::int32_t w = 0; w < WordsOf(width); ++w) out[w] = minuend[w] & ~other[w];
        }
        if constexpr (kGray) StoreLevels(out, width, job.depth, original, job.rowBytes, stored);
        else WriteMembers(out, width, original, job.rowBytes, stored);
    }
}

#if VELORA_X86
VELORA_AVX2 void GrayBandAvx2(const Job& job, std::int32_t first, std::int32_t last) {
    ChainBand<true, Bytes32>(job, first, last);
}
VELORA_AVX2 void BitBandAvx2(const Job& job, std::int32_t first, std::int32_t last) {
    ChainBand<false, Words4>(job, first, last);
}
#endif

void Band(const Job& job, std::int32_t first, std::int32_t last) {
    const bool gray = job.depth != 1;
#if VELORA_X86
    if (velora::detail::HasAvx2()) return gray ? GrayBandAvx2(job, first, last) : BitBandAvx2(job, first, last);
    if (velora::detail::HasSse2())
        return gray ? ChainBand<true, Bytes16>(job, first, last) : ChainBand<false, Words2>(job, first, last);
#endif
    return gray ? ChainBand<true, std::uint8_t>(job, first, last) : ChainBand<false, std::uint64_t>(job, first, last);
}

// The chain of operation 0..6: compounds use the origin mirrored (smoothing twice over, so
// not at all).
Chain ChainOf(unsigned operation, const Element& el) {
    const Element m = el.Mirrored();
    switch (operation) {
        case 0: return {{{el, true}}, 1, {}, Combine::None};
        case 1: return {{{el, false}}, 1, {}, Combine::None};
        case 2: return {{{m, false}, {m, true}}, 2, {}, Combine::None};
        case 3: return {{{m, true}, {m, false}}, 2, {}, Combine::None};
        case 4: return {{{el, false}, {el, true}, {el, true}, {el, false}}, 4, {}, Combine::None};
        case 5: return {{{m, true}}, 1, {m, false}, Combine::Gradient};
        default: return {{{el, false}, {el, true}}, 2, {}, Combine::TopHat};
    }
}

// Rows [first, last) of source's morphology by chain into result's stored rows (source may be
// a copy of result); all of them through the workers when the range is the whole image.
void RunChain(const CVelora& source, std::uint8_t* resultBits, const Chain& chain, std::int32_t first = 0,
              std::int32_t last = -1) {
    const std::int32_t height = source.GetHeight(), width = source.GetWidth();
    const std::ptrdiff_t stride = std::ptrdiff_t(source.GetBytesPerRow()), bottom = std::ptrdiff_t(height - 1) * stride;
    const Job job{chain, source.GetBits() + bottom, resultBits + bottom, -stride, std::size_t(stride), width, height,
                  source.GetBitCount()};
    if (last >= 0) return Band(job, first, last);
    std::size_t work = 0;
    for (int i = 0; i < chain.count; ++i) work += RowWork(width, chain.steps[i].el);
    if (chain.combine == Combine::Gradient) work *= 2;
    ForEachRowBand(height, work, [&](std::int32_t a, std::int32_t b) { Band(job, a, b); });
}

constexpr const char* kDilating = "  Aplicando DILATACIÓN ... ";
constexpr const char* kEroding = "  Aplicando EROSIÓN ... ";
constexpr const char* kMorphologyDone = "   Operación Finalizada ...       ";

// The step-by-step run: each dilation and erosion row by row into the image shown, the parts
// of a compound one after the other, with pauses between.
class SteppedRun {
public:
    explicit SteppedRun(CStepProgress& progress) : m_progress(progress) {}

    bool Stopped() const { return m_progress.Stopped(); }

    // Dilation or erosion of image in place; false without memory.
    bool Basic(CVelora& image, const Element& el, bool dilate) {
        if (Stopped()) return true;
        const CVelora source(image);
        if (!source.HasImage()) return false;
        try {
            // The rows are handed out read-only; the run is the image's owner's, and writes them.
            std::uint8_t* const bits = const_cast<std::uint8_t*>(image.GetBits());
            const Chain chain{{{el, dilate}}, 1, {}, Combine::None};
            const std::int64_t area = std::int64_t(image.GetWidth()) * image.GetHeight();
            for (std::int32_t y = 0; y < image.GetHeight(); ++y) {
                RunChain(source, bits, chain, y, y + 1);
                m_progress.ShowWorkingImage(image);
                const float share = 100.0f / float(area);
                const int percent = int(float(std::int64_t(y) * (image.GetWidth() - 1)) * share);
                m_progress.SetProgressText(std::string(dilate ? kDilating : kEroding) + std::to_string(percent) + "%");
                m_progress.Pause(20);
                if (Stopped()) break;
            }
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
    void AfterPart(const CVelora& image) {
        if (Stopped()) return;
        m_progress.ShowWorkingImage(image);
        m_progress.Pause(20);
    }
    bool Opening(CVelora& image, const Element& el) {
        const Element m = el.Mirrored();
        if (!Basic(image, m, false)) return false;
        AfterPart(image);
        return Basic(image, m, true);
    }
    bool Closing(CVelora& image, const Element& el) {
        const Element m = el.Mirrored();
        if (!Basic(image, m, true)) return false;
        AfterPart(image);
        return Basic(image, m, false);
    }
    // image - other: the set difference of two-colour images, else the saturating one.
    static bool Subtract(CVelora& image, const CVelora& other) {
        if (image.GetBitCount() == 1) return image.SetOperation(4, &other) == 0;
        return image.SaturatingArithmetic(1, other) == 0;
    }

    unsigned Run(CVelora& image, unsigned operation, const Element& el) {
        bool ok = true;
        const Element m = el.Mirrored();
        switch (operation) {
            case 0: ok = Basic(image, el, true); break;
            case 1: ok = Basic(image, el, false); break;
            case 2: ok = Opening(image, el); break;
            case 3: ok = Closing(image, el); break;
            case 4:
                ok = Opening(image, m);
                AfterPart(image);
                ok = ok && Closing(image, m);
                break;
            case 5: {
                CVelora eroded(image);
                if (!eroded.HasImage()) return 4;
                ok = Basic(image, m, true);
                AfterPart(image);
                ok = ok && Basic(eroded, m, false);
                AfterPart(eroded);
                ok = ok && (Stopped() || Subtract(image, eroded));
                break;
            }
            default: {
                CVelora opened(image);
                if (!opened.HasImage()) return 4;
                ok = Opening(opened, m);
                AfterPart(opened);
                ok = ok && (Stopped() || Subtract(image, opened));
                break;
            }
        }
        return ok ? 0 : 4;
    }

private:
    CStepProgress& m_progress;
};

unsigned CheckMorphology(const CVelora& image, unsigned operation, std::span<const std::uint8_t> element, int width,
                         int height, int originX, int originY) {
    if (operation > 6) return 1;
    const unsigned depth = image.GetBitCount();
    if (!image.HasImage() || (depth != 1 && depth != 4 && depth != 8)) return 2;
    if (width < 1 || width > 5 || height < 1 || height > 5 || originX < 0 || originY < 0 || originX >= width ||
        originY >= height || element.size() < std::size_t(width) * std::size_t(height))
        return 3;
    return 0;
}

}  // namespace

unsigned CVelora::Morphology(unsigned operation, std::span<const std::uint8_t> element, int width, int height,
                             int originX, int originY) {
    if (const unsigned code = CheckMorphology(*this, operation, element, width, height, originX, originY)) return code;
    // The result is a new image whose table holds every level: without memory the image
    // stays as it was.
    CVelora result = BlankLike(GetWidth(), GetHeight());
    if (!result.HasImage() || !result.TableHoldsEveryLevel()) return 4;
    try {
        RunChain(*this, result.m_pchMapaBits, ChainOf(operation, {element, width, height, originX, originY}));
    } catch (const std::bad_alloc&) {
        return 4;
    }
    ReplaceKeepingName(std::move(result));
    return 0;
}

unsigned CVelora::MorphologyStepByStep(unsigned operation, std::span<const std::uint8_t> element, int width, int height,
                                       int originX, int originY, CStepProgress& progress) {
    if (const unsigned code = CheckMorphology(*this, operation, element, width, height, originX, originY)) return code;
    if (!TableHoldsEveryLevel()) return 4;
    progress.EnableControls(false);
    const unsigned code = SteppedRun(progress).Run(*this, operation, {element, width, height, originX, originY});
    progress.EnableControls(true);
    if (!progress.Stopped()) progress.SetProgressText(kMorphologyDone);
    return code;
}
