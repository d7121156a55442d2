// Checked reading of a DIB (the part of a BMP file after its 14-byte file header, or a
// clipboard DIB) into the canonical block of CVelora: a 40-byte header, the colour table
// and bottom-up rows right after it. Internal to the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "WinTypes.h"

namespace velora::detail {

struct ParsedDib {
    std::unique_ptr<std::uint8_t[]> block;
    std::size_t size = 0;
};

// What a DIB's header says about the block it becomes, checked against the DIB's length.
struct DibLayout {
    BITMAPINFOHEADER header{};  // the block's header
    std::uint64_t tableStart = 0;
    std::uint32_t entrySize = 4;
    std::uint32_t entries = 0;
    std::int64_t rowsAt = 0;  // from the start of the info header
    std::size_t stride = 0;
    std::size_t pixelBytes = 0;
    bool topDown = false;
    std::size_t BlockSize() const { return sizeof(BITMAPINFOHEADER) + 4 * std::size_t(entries) + pixelBytes; }
};

// Every header field and the colour table lie within this many bytes of the info header's
// start (a 124-byte header, or 40 bytes and 12 of masks, then at most 256 entries of 4).
constexpr std::size_t kDibPrefixBytes = 1152;

// Checks the header of a DIB of `size` bytes of which `dib` holds the first
// min(size, kDibPrefixBytes), without touching the pixel data: a reader can refuse a file
// before reading its rows. Returns a LoadResult code; out is filled only on success.
unsigned PlanDib(const std::uint8_t* dib, std::size_t size, std::optional<std::int64_t> pixelOffset, DibLayout& out);

// Builds the block of a planned DIB: the header and the colour table from `dib` (the same
// prefix), the rows from readRows, which fills layout.pixelBytes bytes as they lie in the
// file (false when it cannot: kLoadCannotOpen). Top-down rows are turned in place.
unsigned BuildDib(const DibLayout& layout, const std::uint8_t* dib, const std::function<bool(std::uint8_t*)>& readRows,
                  ParsedDib& out);

// dib/size: the bytes from the info header to the end of the data. pixelOffset: where the
// rows start, counted from the info header (a BMP's bfOffBits - 14); without it they follow
// the colour table. Returns a LoadResult code; out is filled only on success.
unsigned ParseDib(const std::uint8_t* dib, std::size_t size, std::optional<std::int64_t> pixelOffset,
                  ParsedDib& out);

}  // namespace velora::detail
