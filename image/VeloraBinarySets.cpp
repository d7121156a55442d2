// Two-colour images: binary smoothing by Boolean neighbourhood rules, and the set operations
// whose members are the pixels of index 0. Row y counts from the top.
//
// Smoothing works on 1-bit rows held as 64-bit words, the leftmost pixel in the top bit: a
// rule is Boolean algebra over the row above, the row and the row below, each shifted by one
// pixel for the west and east neighbours, 64 pixels at a time.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "CVelora.h"
#include "LargeArrays.h"
#include "Parallel.h"
#include "PixelRow.h"

namespace {

using velora::detail::ForEachRowBand;
using velora::detail::ReadPixel;
using velora::detail::WritePixel;
using Word = std::uint64_t;

// ---------------------------------------------------------------- binary smoothing

std::string SmoothingRunning(int rule) { return "   " + std::to_string(rule) + ")  EN EJECUCIÓN ... "; }
constexpr const char* kSmoothingDone = "   SUAVIZADO REALIZADO:   0 (Negro) -> Fondo;   1 (Blanco) -> Región de interés";

Word BigEndian(Word w) {
    if constexpr (std::endian::native == std::endian::little) return __builtin_bswap64(w);
    return w;
}

// Rows of a 1-bit image as words, each row with a zero word before and after it so that the
// shifted neighbours of its first and last words need no test. Rows in storage order.
struct BitPlane {
    std::size_t stride = 0, words = 0, pitch = 0;
    std::unique_ptr<Word[]> data;

    BitPlane(std::size_t rowBytes, std::size_t rows) : stride(rowBytes), words((rowBytes + 7) / 8), pitch(words + 2) {
        data = velora::detail::NewLargeArray<Word>(pitch * rows);
    }
    Word* Row(std::size_t r) const { return data.get() + r * pitch + 1; }

    // A stored row is a whole number of four-byte units: whole words and perhaps half of one.
    void Load(std::size_t r, const std::uint8_t* bytes) const {
        Word* row = Row(r);
        row[-1] = row[words] = 0;
        for (std::size_t i = 0; i < words; ++i) {
            Word w = 0;
            std::memcpy(&w, bytes + 8 * i, std::min<std::size_t>(8, stride - 8 * i));
            row[i] = BigEndian(w);
        }
    }
    static void Store(const Word* row, std::size_t stride, std::uint8_t* bytes) {
        for (std::size_t i = 0; 8 * i < stride; ++i) {
            const Word w = BigEndian(row[i]);
            std::memcpy(bytes + 8 * i, &w, std::min<std::size_t>(8, stride - 8 * i));
        }
    }
};

template <int Rule>
Word RuleWord(Word nw, Word n, Word ne, Word w, Word p, Word e, Word sw, Word s, Word se) {
    if constexpr (Rule == 1) return p | (n & s & (w | e)) | (w & e & (n | s));
    if constexpr (Rule == 2) return p & (((nw | n | w) & (e | s | se)) | ((n | ne | e) & (w | sw | s)));
    if constexpr (Rule == 3) return p | (w & sw & s & ~(nw | n | ne | e | se));
    if constexpr (Rule == 4) return p | (e & s & se & ~(nw | n | ne | w | sw));
    if constexpr (Rule == 5) return p | (nw & n & w & ~(ne | e | sw | s | se));
    return p | (n & ne & e & ~(nw | w | sw | s | se));
}

// One row under one rule: the pixels of inner take the rule's value, the rest (the frame
// columns, the padding) stay.
template <int Rule>
void SmoothRow(const Word* above, const Word* row, const Word* below, const Word* inner, std::size_t words, Word* out) {
    // The west neighbour comes one bit later, from the word before for the top bit.
    const auto west = [](const Word* r, std::size_t i) { return (r[i] >> 1) | (r[i - 1] << 63); };
    const auto east = [](const Word* r, std::size_t i) { return (r[i] << 1) | (r[i + 1] >> 63); };
    for (std::size_t i = 0; i < words; ++i) {
        const Word value = RuleWord<Rule>(west(above, i), above[i], east(above, i), west(row, i), row[i], east(row, i),
                                          west(below, i), below[i], east(below, i));
        out[i] = (value & inner[i]) | (row[i] & ~inner[i]);
    }
}

using RowRule = void (*)(const Word*, const Word*, const Word*, const Word*, std::size_t, Word*);
constexpr RowRule kRowRules[6] = {SmoothRow<1>, SmoothRow<2>, SmoothRow<3>, SmoothRow<4>, SmoothRow<5>, SmoothRow<6>};

// The words of the columns a rule may change: 1 to width - 2.
std::unique_ptr<Word[]> InnerColumns(std::int32_t width, std::size_t words) {
    std::unique_ptr<Word[]> inner(new (std::nothrow) Word[words]());
    if (inner)
        for (std::int32_t x = 1; x < width - 1; ++x) inner[std::size_t(x) / 64] |= Word(1) << (63 - x % 64);
    return inner;
}

}  // namespace

unsigned CVelora::BinarySmoothing(const std::array<bool, 6>& rules) {
    if (!HasImage() || GetBitCount() != 1) return 1;
    const std::int32_t width = GetWidth(), height = GetHeight();
    if (width < 3 || height < 3 || std::none_of(rules.begin(), rules.end(), [](bool r) { return r; })) return 0;
    const std::size_t stride = m_bytesPerRow, rows = std::size_t(height);
    BitPlane from(stride, rows), to(stride, rows);
    const std::unique_ptr<Word[]> inner = InnerColumns(width, from.words);
    if (!from.data || !to.data || !inner) return 2;
    ForEachRowBand(height, stride, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t r = first; r < last; ++r) from.Load(std::size_t(r), m_pchMapaBits + std::size_t(r) * stride);
    });
    // The frame rows stay as they are in both planes; each rule writes every inner row.
    for (std::size_t r : {std::size_t(0), rows - 1}) std::copy_n(from.Row(r) - 1, from.pitch, to.Row(r) - 1);
    for (int rule = 1; rule <= 6; ++rule) {
        if (!rules[std::size_t(rule - 1)]) continue;
        const RowRule apply = kRowRules[rule - 1];
        ForEachRowBand(height - 2, stride, [&](std::int32_t first, std::int32_t last) {
            for (std::size_t r = std::size_t(first) + 1; r < std::size_t(last) + 1; ++r) {
                Word* out = to.Row(r);
                out[-1] = out[to.words] = 0;
                apply(from.Row(r + 1), from.Row(r), from.Row(r - 1), inner.get(), from.words, out);
            }
        });
        std::swap(from.data, to.data);
    }
    ForEachRowBand(height - 2, stride, [&](std::int32_t first, std::int32_t last) {
        for (std::size_t r = std::size_t(first) + 1; r < std::size_t(last) + 1; ++r)
            BitPlane::Store(from.Row(r), stride, m_pchMapaBits + r * stride);
    });
    return 0;
}

unsigned CVelora::BinarySmoothingStepByStep(const std::array<bool, 6>& rules, CStepProgress& progress) {
    if (!HasImage() || GetBitCount() != 1) return 1;
    const std::int32_t width = GetWidth(), height = GetHeight();
    const std::size_t stride = m_bytesPerRow;
    progress.EnableControls(false);
    for (int rule = 1; rule <= 6 && !progress.Stopped(); ++rule) {
        if (!rules[std::size_t(rule - 1)]) continue;
        progress.SetProgressText(SmoothingRunning(rule));
        CVelora next(*this);
        BitPlane source(stride, std::size_t(height)), out(stride, 1);
        const std::unique_ptr<Word[]> inner = InnerColumns(width, source.words);
        if (!next.HasImage() || !source.data || !out.data || !inner) {
            progress.EnableControls(true);
            return 2;
        }
        for (std::size_t r = 0; r < std::size_t(height); ++r) source.Load(r, m_pchMapaBits + r * stride);
        for (std::int32_t y = 0; y < height; ++y) {
            if (y > 0 && y < height - 1) {
                const std::size_t r = std::size_t(height - 1 - y);
                kRowRules[rule - 1](source.Row(r + 1), source.Row(r), source.Row(r - 1), inner.get(), source.words, out.Row(0));
                BitPlane::Store(out.Row(0), stride, next.Row(y));
            }
            progress.ShowWorkingImage(next);
            progress.SetProgressText(SmoothingRunning(rule) + std::to_string(100 * y / height) + "%");
            progress.Pause(20);
            if (progress.Stopped()) break;
        }
        ReplaceKeepingName(std::move(next));
    }
    progress.EnableControls(true);
    if (!progress.Stopped()) progress.SetProgressText(kSmoothingDone);
    return 0;
}

// ---------------------------------------------------------------- set operations

namespace {

// The bytes of a row that hold only pixels of its first `width`, and the mask of the pixels
// of the byte after them that still belong to it (the leftmost pixels, in the high bits).
struct RowSpan {
    std::size_t whole;
    std::uint8_t partial;
};
RowSpan SpanOf(std::int32_t width, unsigned depth) {
    const std::uint64_t bits = std::uint64_t(width) * depth;
    return {std::size_t(bits / 8), std::uint8_t(0xFF00u >> (bits % 8))};
}

// A set of a member and a non-member pixel (indices 0 and 1 of a gray table) changes them over;
// other indices stay. A table over the bytes, for 1, 4 and 8 bits alike.
std::array<std::uint8_t, 256> ComplementTable(unsigned depth) {
    std::array<std::uint8_t, 256> table{};
    const unsigned mask = (1u << depth) - 1;
    for (unsigned byte = 0; byte < 256; ++byte) {
        unsigned out = 0;
        for (unsigned shift = 0; shift < 8; shift += depth) {
            const unsigned v = (byte >> shift) & mask;
            out |= (v <= 1 ? v ^ 1 : v) << shift;
        }
        table[byte] = std::uint8_t(out);
    }
    return table;
}

// Union (code 2), intersection (3) and difference (4) of two 1-bit rows, index 0 the members:
// a member of the union is a member of either, and so on, bit by bit.
std::uint8_t CombineBits(unsigned code, std::uint8_t a, std::uint8_t b) {
    return std::uint8_t(code == 2 ? a & b : code == 3 ? a | b : a | ~b);
}
void CombineBitRows(unsigned code, std::uint8_t* a, const std::uint8_t* b, RowSpan span) {
    // One loop per code, so that each is a plain pass over the bytes.
    if (code == 2)
        for (std::size_t i = 0; i < span.whole; ++i) a[i] = std::uint8_t(a[i] & b[i]);
    else if (code == 3)
        for (std::size_t i = 0; i < span.whole; ++i) a[i] = std::uint8_t(a[i] | b[i]);
    else
        for (std::size_t i = 0; i < span.whole; ++i) a[i] = std::uint8_t(a[i] | ~b[i]);
    if (span.partial != 0) {
        std::uint8_t& last = a[span.whole];
        last = std::uint8_t((CombineBits(code, last, b[span.whole]) & span.partial) | (last & ~span.partial));
    }
}

// Any other pair of depths: b's pixels count by their index (only 0 and 1 decide).
template <unsigned DepthA, unsigned DepthB>
void CombinePixelRows(unsigned code, std::uint8_t* a, const std::uint8_t* b, std::int32_t width) {
    for (std::int32_t x = 0; x < width; ++x) {
        const bool a0 = ReadPixel(a, x, DepthA) == 0;
        const std::uint32_t bv = ReadPixel(b, x, DepthB);
        const bool member = code == 2 ? (a0 || bv == 0) : code == 3 ? (a0 && bv == 0) : (a0 && bv == 1);
        WritePixel(a, x, DepthA, member ? 0 : 1);
    }
}
// A 1-bit row mirrored: pixel x takes pixel width - 1 - x; the padding bits stay. The words
// reversed bit by bit hold the row backwards, padding first: a shift drops it.
Word ReverseBits(Word w) {
    w = __builtin_bswap64(w);
    w = ((w >> 4) & 0x0F0F0F0F0F0F0F0Fu) | ((w & 0x0F0F0F0F0F0F0F0Fu) << 4);
    w = ((w >> 2) & 0x3333333333333333u) | ((w & 0x3333333333333333u) << 2);
    return ((w >> 1) & 0x5555555555555555u) | ((w & 0x5555555555555555u) << 1);
}
void MirrorBitRow(const Word* in, const Word* pixels, std::size_t words, std::int32_t width, Word* out) {
    const unsigned drop = unsigned(words * 64 - std::size_t(width));  // below 64: a row pads to 4 bytes
    for (std::size_t i = 0; i < words; ++i) {
        const Word high = ReverseBits(in[words - 1 - i]), low = i + 1 < words ? ReverseBits(in[words - 2 - i]) : 0;
        const Word mirrored = drop == 0 ? high : (high << drop) | (low >> (64 - drop));
        out[i] = (mirrored & pixels[i]) | (out[i] & ~pixels[i]);
    }
}

using PixelRows = void (*)(unsigned, std::uint8_t*, const std::uint8_t*, std::int32_t);
template <unsigned DepthA>
PixelRows PixelRowsFor(unsigned depthB) {
    return depthB == 1 ? CombinePixelRows<DepthA, 1> : depthB == 4 ? CombinePixelRows<DepthA, 4> : CombinePixelRows<DepthA, 8>;
}

}  // namespace

unsigned CVelora::SetOperation(unsigned code, const CVelora* b) {
    if (code > 4) return 1;
    const auto twoColours = [](const CVelora* im) { return im && im->HasImage() && im->IsIndexed() && im->GetNumColors() == 2; };
    if (!twoColours(this) || (code >= 2 && !twoColours(b))) return 2;
    const std::int32_t width = GetWidth(), height = GetHeight();
    const unsigned depth = GetBitCount();
    const std::size_t stride = m_bytesPerRow;
    if (code == 0) {
        if (!IsGray()) return Negative(1, 0, 0, 0) == 0 ? 0 : 3;
        const std::array<std::uint8_t, 256> table = ComplementTable(depth);
        const RowSpan span = SpanOf(width, depth);
        ForEachRowBand(height, stride, [&](std::int32_t first, std::int32_t last) {
            for (std::int32_t r = first; r < last; ++r) {
                std::uint8_t* row = m_pchMapaBits + std::size_t(r) * stride;
                for (std::size_t i = 0; i < span.whole; ++i) row[i] = table[row[i]];
                if (span.partial != 0)
                    row[span.whole] = std::uint8_t((table[row[span.whole]] & span.partial) | (row[span.whole] & ~span.partial));
            }
        });
        return 0;
    }
    if (code == 1 && depth == 1) {
        // Through the centre in one pass: row r takes row height - 1 - r mirrored.
        BitPlane source(stride, std::size_t(height)), result(stride, std::size_t(height));
        std::unique_ptr<Word[]> pixels(new (std::nothrow) Word[source.words]());
        if (!source.data || !result.data || !pixels) return 3;
        for (std::int32_t x = 0; x < width; ++x) pixels[std::size_t(x) / 64] |= Word(1) << (63 - x % 64);
        ForEachRowBand(height, stride, [&](std::int32_t first, std::int32_t last) {
            for (std::int32_t r = first; r < last; ++r) source.Load(std::size_t(r), m_pchMapaBits + std::size_t(r) * stride);
        });
        ForEachRowBand(height, stride, [&](std::int32_t first, std::int32_t last) {
            for (std::size_t r = std::size_t(first); r < std::size_t(last); ++r) {
                Word* row = result.Row(r);
                std::copy_n(source.Row(r), source.words, row);
                MirrorBitRow(source.Row(std::size_t(height) - 1 - r), pixels.get(), source.words, width, row);
                BitPlane::Store(row, stride, m_pchMapaBits + r * stride);
            }
        });
        return 0;
    }
    if (code == 1) return Flip(0) == 0 && Flip(1) == 0 ? 0 : 3;
    // Each pixel of the result reads only the same pixel of both images, so b may be this image.
    const std::int32_t w = std::min(width, b->GetWidth()), h = std::min(height, b->GetHeight());
    const unsigned depthB = b->GetBitCount();
    const PixelRows pixels = depth == 1 ? PixelRowsFor<1>(depthB) : depth == 4 ? PixelRowsFor<4>(depthB) : PixelRowsFor<8>(depthB);
    ForEachRowBand(h, stride, [&](std::int32_t first, std::int32_t last) {
        for (std::int32_t y = first; y < last; ++y) {
            if (depth == 1 && depthB == 1)
                CombineBitRows(code, Row(y), b->Row(y), SpanOf(w, 1));
            else
                pixels(code, Row(y), b->Row(y), w);
        }
    });
    return 0;
}
