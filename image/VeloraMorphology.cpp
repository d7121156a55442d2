// Mathematical morphology with an element of up to 5 x 5: binary (1 bit, index 0 the members)
// and gray (4 and 8 bits, the indices as levels).
//
// Gray levels are worked as bytes, a vector of them at a time (4-bit rows are unpacked
// first). An element whose values are all equal is separable: the extreme of the window's
// rows column by column, then along the row, then the value added or taken with saturation.
// Any other element adds each cell's value to its shifted source row with saturation and
// keeps the extreme. Binary images are worked as words of 64 pixels with the members as 1:
// a dilation ORs, an erosion ANDs the source rows shifted by each member cell's column.
//
// Output pixel (x, y) reads source (x - offX + c, y - offY + r) under cell (r, c), with
// offX = w - 1 - originX and offY = h - 1 - originY; a dilation weighs that cell with the
// element reflected through its middle. The outside reads as white (binary), as 0 in a gray
// dilation and as the top level in a gray erosion.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <string>

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

// How a stage's row is formed from its passes.
enum class Combine {
    None,      // the first pass
    Gradient,  // the first pass minus the second, both over the same source
    TopHat,    // the minuend's row minus the first pass
};

// Work per row for ForEachRowBand: every pixel reads every cell.
std::size_t RowWork(std::int32_t width, const Element& el) { return std::size_t(width) * std::size_t(el.width * el.height); }

// Byte kernels

#if VELORA_X86
// Every function taking these is inlined, so no vector crosses a call (which -Wpsabi warns of).
#pragma GCC diagnostic ignored "-Wpsabi"
// Sixteen and thirty-two bytes as GCC vectors: the same source compiles to SSE2 or, inlined
// into a VELORA_AVX2 function, to AVX2.
using Bytes16 = std::uint8_t __attribute__((vector_size(16)));
using Bytes32 = std::uint8_t __attribute__((vector_size(32)));
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

// out[x] = the extreme of rows[0..n)[x].
template <bool kMax, class V>
[[gnu::always_inline]] inline void ExtremeOfRows(const std::uint8_t* const* rows, int n, std::int32_t width,
                                                 std::uint8_t* out) {
#define MORPH_STEP(W, x)                                                         \
    {                                                                           \
        W m = Load<W>(rows[0] + (x));                                           \
        for (int i = 1; i < n; ++i) m = Pick<kMax>(m, Load<W>(rows[i] + (x)));  \
        Store(out + (x), m);                                                    \
    }
    MORPH_ALONG(V, width, MORPH_STEP);
#undef MORPH_STEP
}

// out[x] = the extreme of v[x..x+w), then k added (dilation, held to top) or taken (erosion).
template <bool kMax, class V>
[[gnu::always_inline]] inline void ExtremeAlong(const std::uint8_t* v, int w, std::int32_t width, std::uint8_t k,
                                                std::uint8_t top, std::uint8_t* out) {
#define MORPH_STEP(W, x)                                                                  \
    {                                                                                    \
        W m = Load<W>(v + (x));                                                          \
        for (int j = 1; j < w; ++j) m = Pick<kMax>(m, Load<W>(v + (x) + j));             \
        if constexpr (kMax) m = Pick<false>(AddS(m, Splat<W>(k)), Splat<W>(top));        \
        else m = SubS(m, Splat<W>(k));                                                   \
        Store(out + (x), m);                                                             \
    }
    MORPH_ALONG(V, width, MORPH_STEP);
#undef MORPH_STEP
}

// acc[x] = max(acc[x], p[x] + k) (dilation) or min(acc[x], p[x] - k), held to 0..255.
template <bool kMax, class V>
[[gnu::always_inline]] inline void WeighIn(const std::uint8_t* p, std::uint8_t k, std::int32_t width,
                                           std::uint8_t* acc) {
#define MORPH_STEP(W, x)                                                                                      \
    {                                                                                                        \
        const W s = kMax ? AddS(Load<W>(p + (x)), Splat<W>(k)) : SubS(Load<W>(p + (x)), Splat<W>(k));         \
        Store(acc + (x), Pick<kMax>(Load<W>(acc + (x)), s));                                                 \
    }
    MORPH_ALONG(V, width, MORPH_STEP);
#undef MORPH_STEP
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

// Gray levels

// Rows of levels, one byte per pixel: row y at top + y * stride (negative for bottom-up rows).
struct Levels {
    const std::uint8_t* top = nullptr;
    std::ptrdiff_t stride = 0;
    const std::uint8_t* Row(std::int32_t y) const { return top + y * stride; }
};

// Where a stage's rows go: a plane of levels (depth 0), or the stored rows of an image of 4
// or 8 bits, whose unused bits and bytes are those of the original's rows.
struct GrayTarget {
    std::uint8_t* top = nullptr;
    std::ptrdiff_t stride = 0;
    unsigned depth = 0;
    const std::uint8_t* originalTop = nullptr;
    std::size_t rowBytes = 0;
    std::uint8_t* Row(std::int32_t y) const { return top + y * stride; }
};

struct GrayPass {
    Levels source;
    Element el;
    bool dilate;
};

struct GrayStage {
    GrayPass first, second;
    Combine combine;
    Levels minuend;
    GrayTarget to;
    std::int32_t width, height;
    std::uint8_t top;
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
            ExtremeAlong<kMax, V>(line - offX, el.width, m_width, el.values[0], m_top, out);
            return;
        }
        std::memset(out, kMax ? 0 : 255, std::size_t(m_width));
        for (int r = 0; r < el.height; ++r) {
            const std::uint8_t* p = Padded(y - offY + r) - offX;
            for (int c = 0; c < el.width; ++c) WeighIn<kMax, V>(p + c, el.Weight(r, c, kMax), m_width, out);
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

// Levels into the stored row of a 4- or 8-bit image; unused bits and bytes from the original.
void StoreLevels(const GrayTarget& to, std::int32_t y, const std::uint8_t* levels, std::int32_t width) {
    std::uint8_t* row = to.Row(y);
    const std::uint8_t* original = to.originalTop + y * to.stride;
    std::size_t used = std::size_t(width);
    if (to.depth == 4) {
        const std::int32_t pairs = width / 2;
        for (std::int32_t i = 0; i < pairs; ++i) row[i] = std::uint8_t(levels[2 * i] << 4 | levels[2 * i + 1]);
        used = std::size_t(pairs);
        if (width & 1) {
            row[pairs] = std::uint8_t(levels[width - 1] << 4 | (original[pairs] & 0x0F));
            ++used;
        }
    }
    std::memcpy(row + used, original + used, to.rowBytes - used);
}

template <class V>
[[gnu::always_inline]] inline void GrayBandOf(const GrayStage& s, std::int32_t first, std::int32_t last) {
    GrayRows a(s.first, s.width, s.height, s.top);
    GrayRows b(s.combine == Combine::Gradient ? s.second : s.first, s.width, s.height, s.top);
    WorkVector<std::uint8_t> scratch(2 * (std::size_t(s.width) + kSlack));
    std::uint8_t* const levels = scratch.data();
    std::uint8_t* const other = levels + s.width + kSlack;
    for (std::int32_t y = first; y < last; ++y) {
        std::uint8_t* out = s.to.depth == 4 ? levels : s.to.Row(y);
        switch (s.combine) {
            case Combine::None: a.Row<V>(y, out); break;
            case Combine::Gradient:
                a.Row<V>(y, out);
                b.Row<V>(y, other);
                Difference<V>(out, other, s.width, out);
                break;
            case Combine::TopHat:
                a.Row<V>(y, other);
                Difference<V>(s.minuend.Row(y), other, s.width, out);
                break;
        }
        if (s.to.depth != 0) StoreLevels(s.to, y, out, s.width);
    }
}

#if VELORA_X86
VELORA_AVX2 void GrayBandAvx2(const GrayStage& s, std::int32_t first, std::int32_t last) {
    GrayBandOf<Bytes32>(s, first, last);
}
#endif

void GrayBand(const GrayStage& s, std::int32_t first, std::int32_t last) {
#if VELORA_X86
    if (velora::detail::HasAvx2()) return GrayBandAvx2(s, first, last);
    if (velora::detail::HasSse2()) return GrayBandOf<Bytes16>(s, first, last);
#endif
    GrayBandOf<std::uint8_t>(s, first, last);
}

// Binary images: rows of 64-pixel words, pixel x at bit 63 - x % 64 of word x / 64, the
// members as 1 and everything past the last pixel 0. Each row has a zero word before and
// after it, so that shifted reads need no test at the ends.

struct Bits {
    const std::uint64_t* top = nullptr;
    std::ptrdiff_t stride = 0;  // in words
    const std::uint64_t* Row(std::int32_t y) const { return top + y * stride; }
};

std::int32_t WordsOf(std::int32_t width) { return (width + 63) / 64; }
std::uint64_t LastWordMask(std::int32_t width) { return (width & 63) ? ~0ull << (64 - (width & 63)) : ~0ull; }

// A stored 1-bit row as member words.
void ReadMembers(const std::uint8_t* row, std::int32_t width, std::uint64_t* out) {
    const std::int32_t words = WordsOf(width);
    const std::size_t bytes = std::size_t(width + 7) / 8;
    for (std::int32_t i = 0; i < words; ++i) {
        std::uint64_t w = 0;
        std::memcpy(&w, row + 8 * std::size_t(i), std::min<std::size_t>(8, bytes - 8 * std::size_t(i)));
        out[i] = ~__builtin_bswap64(w);
    }
    out[words - 1] &= LastWordMask(width);
}

// Member words into a stored 1-bit row; unused bits and bytes from the original.
void WriteMembers(const std::uint64_t* in, std::int32_t width, const std::uint8_t* original, std::size_t rowBytes,
                  std::uint8_t* row) {
    const std::int32_t words = WordsOf(width);
    const std::size_t bytes = std::size_t(width + 7) / 8;
    for (std::int32_t i = 0; i < words; ++i) {
        const std::uint64_t w = __builtin_bswap64(~in[i]);
        std::memcpy(row + 8 * std::size_t(i), &w, std::min<std::size_t>(8, bytes - 8 * std::size_t(i)));
    }
    if (const int rest = width & 7) {
        const auto keep = std::uint8_t(0xFF00u >> rest);
        row[bytes - 1] = std::uint8_t((row[bytes - 1] & keep) | (original[bytes - 1] & ~keep));
    }
    std::memcpy(row + bytes, original + bytes, rowBytes - bytes);
}

// The pixels of row v shifted by d: bit x gets bit x + d.
inline std::uint64_t Shifted(const std::uint64_t* v, std::int32_t i, int d) {
    if (d > 0) return v[i] << d | v[i + 1] >> (64 - d);
    if (d < 0) return v[i] >> -d | v[i - 1] << (64 + d);
    return v[i];
}

// Where a binary stage's rows go: a plane of member words, or an image's stored rows.
struct BitTarget {
    std::uint64_t* planeTop = nullptr;
    std::uint8_t* top = nullptr;
    std::ptrdiff_t stride = 0;  // words for a plane, bytes for an image
    const std::uint8_t* originalTop = nullptr;
    std::size_t rowBytes = 0;
};

struct BitPass {
    Bits source;
    Element el;
    bool dilate;
};

struct BitStage {
    BitPass first, second;
    Combine combine;
    Bits minuend;
    BitTarget to;
    std::int32_t width, height;
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

    void Row(std::int32_t y, std::uint64_t* out) {
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
                if (v != line) std::copy(v, v + m_words, line), v = line;
                for (std::int32_t w = 0; w < m_words; ++w) line[w] = dilate ? line[w] | row[w] : line[w] & row[w];
            }
            if (!v) continue;
            if (dilate) Shift<true>(g, v, out);
            else Shift<false>(g, v, out);
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

    template <bool kOr>
    void Shift(const Group& g, const std::uint64_t* v, std::uint64_t* out) const {
        for (std::int32_t w = 0; w < m_words; ++w) {
            std::uint64_t x = out[w];
            for (int j = 0; j < g.shiftCount; ++j) {
                const std::uint64_t s = Shifted(v, w, g.shifts[j]);
                x = kOr ? x | s : x & s;
            }
            out[w] = x;
        }
    }

    const BitPass& m_pass;
    std::int32_t m_width, m_height, m_words;
    WorkVector<std::uint64_t> m_line;
    Group m_groups[5];
    int m_count = 0;
};

void BitBand(const BitStage& s, std::int32_t first, std::int32_t last) {
    BitRows a(s.first, s.width, s.height);
    BitRows b(s.combine == Combine::Gradient ? s.second : s.first, s.width, s.height);
    const std::int32_t words = WordsOf(s.width);
    WorkVector<std::uint64_t> scratch(2 * std::size_t(words));
    std::uint64_t* const bits = scratch.data();
    std::uint64_t* const other = bits + words;
    for (std::int32_t y = first; y < last; ++y) {
        std::uint64_t* out = s.to.planeTop ? s.to.planeTop + y * s.to.stride : bits;
        switch (s.combine) {
            case Combine::None: a.Row(y, out); break;
            case Combine::Gradient:
                a.Row(y, out);
                b.Row(y, other);
                for (std::int32_t w = 0; w < words; ++w) out[w] &= ~other[w];
                break;
            case Combine::TopHat: {
                a.Row(y, other);
                const std::uint64_t* m = s.minuend.Row(y);
                for (std::int32_t w = 0; w < words; ++w) out[w] = m[w] & ~other[w];
                break;
            }
        }
        if (!s.to.planeTop)
            WriteMembers(out, s.width, s.to.originalTop + y * s.to.stride, s.to.rowBytes, s.to.top + y * s.to.stride);
    }
}

// Planes and stages

// A plane of rows of levels (gray) or of member words with their zero guards (binary).
struct Plane {
    WorkVector<std::uint8_t> levels;
    std::vector<std::uint64_t> words;  // zeroed: the guards stay 0
    Levels AsLevels(std::int32_t width) const { return {levels.data(), width}; }
    Bits AsBits(std::int32_t width) const { return {words.data() + 1, WordsOf(width) + 2}; }
};

// One image's morphology: its levels or member words, the result's stored rows, and the
// passes that lead from one to the other.
class Morph {
public:
    // source and result: images of the same size and depth; result's rows are written whole.
    Morph(const CVelora& source, std::uint8_t* resultBits)
        : m_width(source.GetWidth()), m_height(source.GetHeight()), m_depth(source.GetBitCount()),
          m_rowBytes(source.GetBytesPerRow()) {
        const std::ptrdiff_t stride = std::ptrdiff_t(m_rowBytes), last = std::ptrdiff_t(m_height - 1) * stride;
        m_sourceTop = source.GetBits() + last;
        m_resultTop = resultBits + last;
        m_stride = -stride;  // stored rows are bottom-up
        if (m_depth == 8) {
            m_levels = {m_sourceTop, m_stride};
        } else {
            NewPlane(m_own);
            const std::int32_t width = m_width;
            const auto unpack = [&](std::int32_t first, std::int32_t end) {
                for (std::int32_t y = first; y < end; ++y) {
                    const std::uint8_t* row = m_sourceTop + y * m_stride;
                    if (m_depth == 1) {
                        ReadMembers(row, width, m_own.words.data() + 1 + std::size_t(y) * std::size_t(WordsOf(width) + 2));
                        continue;
                    }
                    std::uint8_t* out = m_own.levels.data() + std::size_t(y) * std::size_t(width);
                    for (std::int32_t x = 0; x < width; ++x) out[x] = std::uint8_t((x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4);
                }
            };
            ForEachRowBand(m_height, std::size_t(width), unpack);
            if (m_depth == 4) m_levels = m_own.AsLevels(m_width);
        }
    }

    // The rows of operation 0..6 into the result.
    void Run(unsigned operation, const Element& el) {
        const Element m = el.Mirrored();
        const Source image = Image();
        switch (operation) {
            case 0: return Stage({image, el, true}, {}, Combine::None, {}, nullptr);
            case 1: return Stage({image, el, false}, {}, Combine::None, {}, nullptr);
            case 2: return Twice(image, m, false);
            case 3: return Twice(image, m, true);
            case 4: {  // opening then closing, each with the origin mirrored once more
                Plane a, b;
                NewPlane(a);
                NewPlane(b);
                Stage({image, el, false}, {}, Combine::None, {}, &a);
                Stage({Of(a), el, true}, {}, Combine::None, {}, &b);
                Stage({Of(b), el, true}, {}, Combine::None, {}, &a);
                return Stage({Of(a), el, false}, {}, Combine::None, {}, nullptr);
            }
            case 5: return Stage({image, m, true}, {image, m, false}, Combine::Gradient, {}, nullptr);
            default: {  // the image minus its opening with the mirrored origin
                Plane a;
                NewPlane(a);
                Stage({image, el, false}, {}, Combine::None, {}, &a);
                return Stage({Of(a), el, true}, {}, Combine::TopHat, image, nullptr);
            }
        }
    }

    // Dilation or erosion of rows [first, last) alone (the step-by-step display).
    void BasicRows(const Element& el, bool dilate, std::int32_t first, std::int32_t last) {
        Stage({Image(), el, dilate}, {}, Combine::None, {}, nullptr, first, last);
    }

private:
    struct Source {
        Levels levels;
        Bits bits;
    };
    struct Pass {
        Source source;
        Element el;
        bool dilate;
    };

    Source Image() const { return m_depth == 1 ? Source{{}, m_own.AsBits(m_width)} : Source{m_levels, {}}; }
    Source Of(const Plane& p) const {
        return m_depth == 1 ? Source{{}, p.AsBits(m_width)} : Source{p.AsLevels(m_width), {}};
    }

    void NewPlane(Plane& p) const {
        if (m_depth == 1) p.words.assign(std::size_t(WordsOf(m_width) + 2) * std::size_t(m_height), 0);
        else p.levels.resize(std::size_t(m_width) * std::size_t(m_height));
    }

    // An opening (dilateFirst false) or closing of the image into the result.
    void Twice(const Source& image, const Element& el, bool dilateFirst) {
        Plane a;
        NewPlane(a);
        Stage({image, el, dilateFirst}, {}, Combine::None, {}, &a);
        Stage({Of(a), el, !dilateFirst}, {}, Combine::None, {}, nullptr);
    }

    void Stage(const Pass& first, const Pass& second, Combine combine, const Source& minuend, Plane* to,
               std::int32_t from = 0, std::int32_t until = -1) {
        if (until < 0) until = m_height;
        const std::size_t work = RowWork(m_width, first.el) * (combine == Combine::Gradient ? 2 : 1);
        if (m_depth == 1) {
            BitTarget target{nullptr, m_resultTop, m_stride, m_sourceTop, m_rowBytes};
            if (to) target = {to->words.data() + 1, nullptr, WordsOf(m_width) + 2, nullptr, 0};
            const BitStage s{{first.source.bits, first.el, first.dilate},
                             {second.source.bits, second.el, second.dilate},
                             combine,
                             minuend.bits,
                             target,
                             m_width,
                             m_height};
            return Rows(from, until, work, [&](std::int32_t a, std::int32_t b) { BitBand(s, a, b); });
        }
        GrayTarget target{m_resultTop, m_stride, m_depth, m_sourceTop, m_rowBytes};
        if (to) target = {to->levels.data(), m_width, 0, nullptr, 0};
        const GrayStage s{{first.source.levels, first.el, first.dilate},
                          {second.source.levels, second.el, second.dilate},
                          combine,
                          minuend.levels,
                          target,
                          m_width,
                          m_height,
                          std::uint8_t((1u << m_depth) - 1)};
        Rows(from, until, work, [&](std::int32_t a, std::int32_t b) { GrayBand(s, a, b); });
    }

    template <class Band>
    void Rows(std::int32_t from, std::int32_t until, std::size_t work, const Band& band) {
        if (from != 0 || until != m_height) return band(from, until);
        ForEachRowBand(m_height, work, band);
    }

    std::int32_t m_width, m_height;
    unsigned m_depth;
    std::size_t m_rowBytes;
    const std::uint8_t* m_sourceTop;
    std::uint8_t* m_resultTop;
    std::ptrdiff_t m_stride;
    Plane m_own;  // the source's levels (4 bits) or member words (1 bit)
    Levels m_levels;
};

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
            Morph morph(source, const_cast<std::uint8_t*>(image.GetBits()));
            const std::int64_t area = std::int64_t(image.GetWidth()) * image.GetHeight();
            for (std::int32_t y = 0; y < image.GetHeight(); ++y) {
                morph.BasicRows(el, dilate, y, y + 1);
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
        Morph(*this, result.m_pchMapaBits).Run(operation, {element, width, height, originX, originY});
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
