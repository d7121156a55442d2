// Invariants shared by the reader fuzz targets; a violated one traps, so that libFuzzer keeps the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "CVelora.h"

#define FUZZ_REQUIRE(cond)                                                        \
    do {                                                                          \
        if (!(cond)) {                                                            \
            std::fprintf(stderr, "%s:%d: violated: %s\n", __FILE__, __LINE__, #cond); \
            __builtin_trap();                                                     \
        }                                                                         \
    } while (0)

namespace fuzz {

// The image a reader is to replace: small, indexed, a table, pixels and a name, so any partial overwrite shows.
inline CVelora StartImage() {
    RGBQUAD table[16];
    for (int i = 0; i < 16; ++i) table[i] = RGBQUAD{std::uint8_t(i * 13), std::uint8_t(255 - i), std::uint8_t(i * 7), 0};
    CVelora image = CVelora::WithTable(5, 3, 4, 16, table);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) image.SetPixel(x, y, std::uint32_t(x * 3 + y) & 15);
    image.SetName("before.bmp");
    return image;
}

struct Snapshot {
    std::vector<std::uint8_t> block;
    std::string name;
    explicit Snapshot(const CVelora& image) : block(image.CopyToGlobal()), name(image.GetName()) {}
    bool SameAs(const CVelora& image) const { return block == image.CopyToGlobal() && name == image.GetName(); }
};

// f(x, y) for about 2000 pixels spread over the image and both ends of every row, where packing faults show;
// checking every pixel of a large image would slow the fuzzer several times over.
template <typename F>
void ForSomePixels(std::int32_t width, std::int32_t height, F f) {
    const std::uint64_t count = std::uint64_t(width) * std::uint64_t(height), step = count / 2048 + 1;
    for (std::uint64_t i = 0; i < count; i += step) f(std::int32_t(i % std::uint64_t(width)), std::int32_t(i / std::uint64_t(width)));
    for (std::int32_t y = 0; y < height; ++y) {
        f(0, y);
        f(width - 1, y);
    }
}

// The checks after a load that returned 0. Memory readers have no file name to take.
inline void CheckLoaded(const CVelora& image, const std::string& expectedName) {
    FUZZ_REQUIRE(image.HasImage());
    FUZZ_REQUIRE(image.GetName() == expectedName);
    const std::int32_t width = image.GetWidth(), height = image.GetHeight();
    const unsigned depth = image.GetBitCount();
    FUZZ_REQUIRE(width > 0 && height > 0);
    FUZZ_REQUIRE(depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32);

    const std::vector<std::uint8_t> block = image.CopyToGlobal();
    FUZZ_REQUIRE(image.GetDibSize() == block.size());
    FUZZ_REQUIRE(image.GetSizeImage() == image.GetBytesPerRow() * std::uint32_t(height));
    FUZZ_REQUIRE(std::memcmp(block.data(), image.GetDIB(), block.size()) == 0);
    // The rows end the block, right after the header and the colour table.
    FUZZ_REQUIRE(image.GetBits() + image.GetSizeImage() == image.GetDIB() + block.size());
    const bool indexed = depth <= 8;
    FUZZ_REQUIRE(indexed == (image.GetPaletteData() != nullptr));
    if (indexed) FUZZ_REQUIRE(image.GetNumColors() >= 1 && image.GetNumColors() <= (1u << depth));

    // Display conversion of every row, against the pixel accessors where those apply.
    const std::size_t w = std::size_t(width);
    std::vector<std::uint32_t> rgb(w * std::size_t(height), 0);
    image.ConvertToRGB32(0, height, rgb.data(), w);
    for (std::uint32_t shown : rgb) FUZZ_REQUIRE((shown >> 24) == 0xFF);
    ForSomePixels(width, height, [&](std::int32_t x, std::int32_t y) {
        RGBQUAD c{};
        const unsigned code = image.GetRGBPixel(x, y, c);
        FUZZ_REQUIRE(code == (depth == 16 ? 2u : 0u));
        if (code == 0)
            FUZZ_REQUIRE(rgb[std::size_t(y) * w + std::size_t(x)] ==
                         (0xFF000000u | (std::uint32_t(c.rgbRed) << 16) | (std::uint32_t(c.rgbGreen) << 8) | c.rgbBlue));
    });
    // A window that starts above the image writes only the rows inside it.
    std::vector<std::uint32_t> window(2 * w, 0);
    image.ConvertToRGB32(-1, 2, window.data(), w);
    for (std::size_t x = 0; x < w; ++x) FUZZ_REQUIRE(window[x] == 0 && window[w + x] == rgb[x]);

    // The BMP writer's bytes read back as the same block, but for direct colour's counts, written as 0.
    const std::vector<std::uint8_t> file = image.EncodeBMP();
    FUZZ_REQUIRE(file.size() == sizeof(BITMAPFILEHEADER) + block.size());
    std::vector<std::uint8_t> written = block;
    if (!indexed)
        std::memset(written.data() + offsetof(BITMAPINFOHEADER, biClrUsed), 0, 2 * sizeof(std::uint32_t));
    CVelora reread;
    FUZZ_REQUIRE(reread.LoadBMP(file.data(), file.size()) == kLoadOk);
    FUZZ_REQUIRE(reread.CopyToGlobal() == written);

    // The clipboard takes the block back as it is, except that 32 bits become 24.
    if (depth != 32) {
        CVelora pasted;
        FUZZ_REQUIRE(pasted.LoadFromDIB(block.data(), block.size()) == kLoadOk);
        FUZZ_REQUIRE(pasted.CopyToGlobal() == block);
    }

    // The RAW writer works on a copy and gives one byte per pixel, or nothing.
    const std::vector<std::uint8_t> raw = image.EncodeRAW();
    FUZZ_REQUIRE(image.CopyToGlobal() == block);
    FUZZ_REQUIRE(raw.empty() || raw.size() == w * std::size_t(height));
    if (depth == 8 && image.IsGray()) {
        // A gray 8-bit image is written as its indices and reads back with them.
        FUZZ_REQUIRE(raw.size() == w * std::size_t(height));
        CVelora back;
        FUZZ_REQUIRE(back.LoadRAW(raw.data(), raw.size(), width, height) == kLoadOk);
        FUZZ_REQUIRE(back.GetWidth() == width && back.GetHeight() == height && back.GetBitCount() == 8);
        ForSomePixels(width, height, [&](std::int32_t x, std::int32_t y) {
            FUZZ_REQUIRE(back.GetPixel(x, y) == image.GetPixel(x, y));
            FUZZ_REQUIRE(raw[std::size_t(y) * w + std::size_t(x)] == image.GetPixel(x, y));
        });
        FUZZ_REQUIRE(back.EncodeRAW() == raw);
    }
}

// One load on a copy of the start image: codes not in `allowed` (a bit each) trap, a refusal changes nothing,
// a success passes CheckLoaded.
template <typename Load>
void CheckReader(unsigned allowed, Load load) {
    static const CVelora start = StartImage();
    CVelora image(start);
    const Snapshot before(image);
    const unsigned code = load(image);
    FUZZ_REQUIRE(code < 32 && ((allowed >> code) & 1u));
    if (code != kLoadOk) {
        FUZZ_REQUIRE(before.SameAs(image));
        return;
    }
    CheckLoaded(image, before.name);
}

constexpr unsigned Codes(std::initializer_list<unsigned> codes) {
    unsigned mask = 1u << kLoadOk;
    for (unsigned c : codes) mask |= 1u << c;
    return mask;
}

}  // namespace fuzz
