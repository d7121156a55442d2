// Byte-compatible definitions of the bitmap structures of the Windows DIB format.
// The image block of CVelora is a packed DIB, so these types describe exactly the
// bytes that BMP files and the clipboard carry (little-endian, no padding).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little,
              "the DIB structures are read in place and need a little-endian machine");

// The file header is the only one whose fields are not naturally aligned. Copy its fields
// out before binding references to them.
#pragma pack(push, 1)
struct BITMAPFILEHEADER {
    std::uint16_t bfType;       // "BM" = 0x4D42
    std::uint32_t bfSize;
    std::uint16_t bfReserved1;
    std::uint16_t bfReserved2;
    std::uint32_t bfOffBits;    // offset of the pixel rows from the start of the file
};
#pragma pack(pop)

struct BITMAPINFOHEADER {
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight;
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression;
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;
};

struct RGBQUAD {
    std::uint8_t rgbBlue;
    std::uint8_t rgbGreen;
    std::uint8_t rgbRed;
    std::uint8_t rgbReserved;

    friend bool operator==(const RGBQUAD&, const RGBQUAD&) = default;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

static_assert(sizeof(BITMAPFILEHEADER) == 14);
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(RGBQUAD) == 4);
static_assert(sizeof(BITMAPINFO) == 44);
static_assert(offsetof(BITMAPINFOHEADER, biClrImportant) == 36, "the info header has no padding");

// Colour reference of the Windows API: red in the low byte, then green, then blue.
using COLORREF = std::uint32_t;

constexpr COLORREF RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16);
}
constexpr std::uint8_t GetRValue(COLORREF c) { return std::uint8_t(c); }
constexpr std::uint8_t GetGValue(COLORREF c) { return std::uint8_t(c >> 8); }
constexpr std::uint8_t GetBValue(COLORREF c) { return std::uint8_t(c >> 16); }

constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_RLE8 = 1;
constexpr std::uint32_t BI_RLE4 = 2;
constexpr std::uint32_t BI_BITFIELDS = 3;
