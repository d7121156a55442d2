// Helpers shared by the unit tests: random images, files, and hand-made BMP bytes.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "CVelora.h"

namespace testing_support {

// The whole-suite runs go alongside the single tests: each is given a folder of its own.
inline std::string TempPath(const std::string& name) {
    const char* own = std::getenv("VELORA_TEST_TMP_DIR");
    return std::string(own ? own : VELORA_TEST_TMP) + "/" + name;
}

inline std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::string ReadText(const std::string& path) {
    const auto bytes = ReadFile(path);
    return {bytes.begin(), bytes.end()};
}

// An empty folder at path, whatever an earlier run left there.
inline std::string FreshDir(const std::string& path) {
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
    return path;
}

inline std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

inline std::vector<RGBQUAD> PaletteOf(const CVelora& image) {
    std::vector<RGBQUAD> table(image.GetNumColors());
    image.GetPalette(table.data());
    return table;
}

// Sets the thread count for one scope and puts the default back.
struct Threads {
    explicit Threads(unsigned count) { CVelora::SetThreadCount(count); }
    ~Threads() { CVelora::SetThreadCount(0); }
};

// The whole block of an image, for comparing images byte for byte.
inline std::vector<std::uint8_t> Block(const CVelora& image) { return image.CopyToGlobal(); }

// Little-endian byte writer for hand-made files.
struct ByteWriter {
    std::vector<std::uint8_t> bytes;
    ByteWriter& u8(std::uint32_t v) { bytes.push_back(std::uint8_t(v)); return *this; }
    ByteWriter& u16(std::uint32_t v) { return u8(v).u8(v >> 8); }
    ByteWriter& u32(std::uint32_t v) { return u16(v).u16(v >> 16); }
    ByteWriter& raw(const std::vector<std::uint8_t>& b) { bytes.insert(bytes.end(), b.begin(), b.end()); return *this; }
    ByteWriter& zeros(std::size_t n) { bytes.insert(bytes.end(), n, 0); return *this; }
};

// A BMP file put together field by field, for the cases our writer never produces.
struct BmpSpec {
    std::uint32_t headerSize = 40;
    std::int32_t width = 4, height = 2;
    std::uint16_t planes = 1, bitCount = 8;
    std::uint32_t compression = 0, sizeImage = 0, clrUsed = 0;
    std::vector<std::uint32_t> masks;    // written after a 40-byte header, or inside a longer one
    std::vector<RGBQUAD> palette;        // written as 4-byte entries (3-byte for a 12-byte header)
    std::size_t gap = 0;                 // bytes between the table and the pixels
    std::vector<std::uint8_t> pixels;    // rows as they lie in the file
    bool fileSizeField = true;
};

inline std::vector<std::uint8_t> MakeBmp(const BmpSpec& s) {
    ByteWriter info;
    if (s.headerSize == 12) {
        info.u32(12).u16(std::uint32_t(s.width)).u16(std::uint32_t(s.height)).u16(s.planes).u16(s.bitCount);
    } else {
        info.u32(s.headerSize).u32(std::uint32_t(s.width)).u32(std::uint32_t(s.height)).u16(s.planes).u16(s.bitCount);
        info.u32(s.compression).u32(s.sizeImage).u32(2835).u32(2835).u32(s.clrUsed).u32(0);
        if (s.headerSize > 40) {
            for (std::size_t i = 0; i < s.masks.size() && info.bytes.size() < s.headerSize; ++i) info.u32(s.masks[i]);
            info.zeros(s.headerSize - info.bytes.size());
        } else {
            for (auto m : s.masks) info.u32(m);
        }
    }
    for (const auto& e : s.palette) {
        info.u8(e.rgbBlue).u8(e.rgbGreen).u8(e.rgbRed);
        if (s.headerSize != 12) info.u8(e.rgbReserved);
    }
    info.zeros(s.gap);
    const std::uint32_t offBits = 14 + std::uint32_t(info.bytes.size());
    ByteWriter file;
    file.u8('B').u8('M').u32(s.fileSizeField ? offBits + std::uint32_t(s.pixels.size()) : 0).u16(0).u16(0).u32(offBits);
    file.raw(info.bytes).raw(s.pixels);
    return file.bytes;
}

// A 16-bit image (which only a file can give) with the rows as they lie in the file.
inline CVelora SixteenBitImage(int width, int height, std::vector<std::uint8_t> pixels = {}) {
    BmpSpec s;
    s.bitCount = 16;
    s.width = width;
    s.height = height;
    s.pixels = pixels.empty() ? std::vector<std::uint8_t>(CVelora::GetImageSize(width, height, 16)) : std::move(pixels);
    const auto file = MakeBmp(s);
    CVelora image;
    image.LoadBMP(file.data(), file.size());
    return image;
}

// An 8-bit image of the given indices, row by row from the top (gray table).
template <typename T>
inline CVelora Gray8(int width, int height, const std::vector<T>& indices) {
    CVelora image(nullptr, nullptr, width, height, 8);
    for (int i = 0; i < width * height; ++i) image.SetPixel(i % width, i / width, std::uint32_t(indices[std::size_t(i)]));
    return image;
}

// The level a filter reads: the index, or the red byte of direct colour.
inline int Level(const CVelora& image, int x, int y) {
    const std::uint32_t raw = image.GetPixel(x, y);
    return image.GetBitCount() > 8 ? int((raw >> 16) & 0xFF) : int(raw);
}

// The raw value of a pixel; for 16 bits, which the accessors do not read, the stored word.
inline std::uint32_t AnyPixel(const CVelora& image, int x, int y) {
    if (image.GetBitCount() != 16) return image.GetPixel(x, y);
    const std::uint8_t* p = image.GetBits() + std::size_t(image.GetHeight() - 1 - y) * image.GetBytesPerRow() + 2 * std::size_t(x);
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8);
}

// The background pixel: the first entry of that colour, else the table's last; 5-5-5 at 16 bits; the colour.
inline std::uint32_t ExpectedBackground(const CVelora& image, std::uint32_t colourRef) {
    const std::uint8_t red = std::uint8_t(colourRef), green = std::uint8_t(colourRef >> 8), blue = std::uint8_t(colourRef >> 16);
    switch (image.GetBitCount()) {
        case 16: return std::uint32_t(red >> 3) << 10 | std::uint32_t(green >> 3) << 5 | std::uint32_t(blue >> 3);
        case 24:
        case 32: return std::uint32_t(red) << 16 | std::uint32_t(green) << 8 | blue;
        default: {
            const std::uint32_t n = image.GetBitmapInfoHeader().biClrUsed ? image.GetBitmapInfoHeader().biClrUsed
                                                                            : 1u << image.GetBitCount();
            for (std::uint32_t i = 0; i < n; ++i) {
                const RGBQUAD& e = image.GetPaletteData()[i];
                if (e.rgbRed == red && e.rgbGreen == green && e.rgbBlue == blue) return i;
            }
            return n - 1;
        }
    }
}

// Random pixels, and a random table at palette depths unless gray is asked; 16 bits via a file; padding 0.
inline CVelora RandomImage(int width, int height, int depth, unsigned seed, bool grayPalette = false) {
    std::mt19937 rng(seed);
    if (depth == 16) {
        std::vector<std::uint8_t> pixels(CVelora::GetImageSize(width, height, 16));
        for (int r = 0; r < height; ++r)
            for (int i = 0; i < 2 * width; ++i) pixels[std::size_t(r) * CVelora::GetBytesPerRow(width, 16) + std::size_t(i)] = std::uint8_t(rng());
        return SixteenBitImage(width, height, pixels);
    }
    CVelora image(nullptr, nullptr, width, height, depth);
    if (depth <= 8 && !grayPalette) {
        std::vector<RGBQUAD> table(image.GetNumColors());
        for (auto& e : table) e = RGBQUAD{std::uint8_t(rng()), std::uint8_t(rng()), std::uint8_t(rng()), 0};
        image.SetPalette(table.data());
    }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.SetPixel(x, y, rng());
    if (depth == 32)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) image.SetAlfa(x, y, std::uint8_t(rng()));
    return image;
}

// Random bytes everywhere, row padding and unused bits included (files may carry any), and a random table.
inline CVelora NoisyImage(int width, int height, int depth, std::mt19937& rng) {
    std::vector<std::uint8_t> bits(CVelora::GetImageSize(width, height, depth));
    for (auto& b : bits) b = std::uint8_t(rng());
    if (depth == 16) return SixteenBitImage(width, height, std::move(bits));
    std::vector<RGBQUAD> table(256);
    for (auto& e : table) e = RGBQUAD{std::uint8_t(rng()), std::uint8_t(rng()), std::uint8_t(rng()), 0};
    return CVelora(bits.data(), depth <= 8 ? table.data() : nullptr, width, height, depth);
}
inline CVelora NoisyImage(int width, int height, int depth, unsigned seed) {
    std::mt19937 rng(seed);
    return NoisyImage(width, height, depth, rng);
}

// A pixel's colour; a colour as 0x00RRGGBB, and a pixel's colour so.
inline RGBQUAD Colour(const CVelora& image, int x, int y) {
    RGBQUAD c{};
    image.GetRGBPixel(x, y, c);
    return c;
}
inline std::uint32_t Packed(const RGBQUAD& c) {
    return std::uint32_t(c.rgbRed) << 16 | std::uint32_t(c.rgbGreen) << 8 | c.rgbBlue;
}
inline std::uint32_t ColourAt(const CVelora& image, int x, int y) { return Packed(Colour(image, x, y)); }

// An indexed image with a table shorter than its depth allows: random colours, or PGM's gray ramp i -> (i, i, i).
inline CVelora ShortTableImage(int width, int height, int depth, std::uint32_t entries, bool ramp, std::mt19937& rng) {
    std::vector<RGBQUAD> table(entries);
    for (std::uint32_t i = 0; i < entries; ++i)
        table[i] = ramp ? RGBQUAD{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0}
                        : RGBQUAD{std::uint8_t(rng()), std::uint8_t(rng()), std::uint8_t(rng()), 0};
    CVelora image = CVelora::WithTable(width, height, depth, entries, table.data());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.SetPixel(x, y, std::uint32_t(rng() % entries));
    return image;
}

}  // namespace testing_support
