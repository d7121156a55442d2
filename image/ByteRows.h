// Byte-wise row kernels of the point operations (internal to the library). Each works 32
// bytes at a time with AVX2, some 16 with SSE2, and byte by byte where VectorTarget.h's
// switches say no; every path gives the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "VectorTarget.h"

namespace velora::detail {

// Rows [first, last) of an image as runs of bytes for fn(p, n): one run when the rows hold
// no padding (a rule with a period of whole pixels then stays in phase across rows, since
// each row is whole pixels), else a run per row of rowBytes. Fewer, longer runs keep the
// vector loops going instead of starting them again on every row.
template <class Fn>
void ForEachRun(std::uint8_t* bits, std::size_t stride, std::size_t rowBytes, std::int32_t first, std::int32_t last,
                Fn&& fn) {
    if (rowBytes == stride) {
        fn(bits + std::size_t(first) * stride, std::size_t(last - first) * stride);
        return;
    }
    for (std::int32_t r = first; r < last; ++r) fn(bits + std::size_t(r) * stride, rowBytes);
}

// p[i] ^= pattern[i % 48] over n bytes; the pattern's period divides 48 (whole pixels of
// three and of four bytes).
void XorRow(std::uint8_t* p, std::size_t n, const std::uint8_t (&pattern)[48]);

// p[i] &= pattern[i % 48] over n bytes, the same way.
void AndRow(std::uint8_t* p, std::size_t n, const std::uint8_t (&pattern)[48]);

// p[i] = p[i] < t ? low : high over n bytes; with keepAlpha every fourth byte (from p[3],
// the alpha of 32-bit pixels) stays.
void ThresholdRow(std::uint8_t* p, std::size_t n, std::uint8_t t, std::uint8_t low, std::uint8_t high, bool keepAlpha);

// Every pixel of a 24- or 32-bit row (step 3 or 4) becomes gray at
// trunc(wRed * R + wGreen * G + wBlue * B), in single precision, the products rounded one by
// one and added in that order; the alpha byte stays.
void GrayPixelRow(std::uint8_t* p, std::int32_t width, std::size_t step, float wRed, float wGreen, float wBlue);

// The red bytes of a 24- or 32-bit row (step 3 or 4) into out; returns whether every pixel
// had equal blue, green and red.
bool RedsOfGrayRow(const std::uint8_t* p, std::int32_t width, std::size_t step, std::uint8_t* out);

// p[i] = p[i] + up[i % 48] - down[i % 48] held to 0..255, over n bytes; no byte has both
// an up and a down.
void ShiftLevelsRow(std::uint8_t* p, std::size_t n, const std::uint8_t (&up)[48], const std::uint8_t (&down)[48]);

// p[i] = table[p[i]] over n bytes.
void TableRow(std::uint8_t* p, std::size_t n, const std::uint8_t* table);

// A 24-bit row from levels: each level three times, 3 * width bytes.
void TripleBytes(const std::uint8_t* levels, std::int32_t width, std::uint8_t* out);

}  // namespace velora::detail
