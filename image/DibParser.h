// Checked reading of a DIB (the part of a BMP file after its 14-byte file header, or a
// clipboard DIB) into the canonical block of CVelora: a 40-byte header, the colour table
// and bottom-up rows right after it. Internal to the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace velora::detail {

struct ParsedDib {
    std::unique_ptr<std::uint8_t[]> block;
    std::size_t size = 0;
};

// dib/size: the bytes from the info header to the end of the data. pixelOffset: where the
// rows start, counted from the info header (a BMP's bfOffBits - 14); without it they follow
// the colour table. Returns a LoadResult code; out is filled only on success.
unsigned ParseDib(const std::uint8_t* dib, std::size_t size, std::optional<std::int64_t> pixelOffset,
                  ParsedDib& out);

}  // namespace velora::detail
