// CVelora: an image held as one packed device-independent bitmap (header, colour table,
// bottom-up pixel rows), with every operation of the system as a member.
//
// Conventions shared by all members:
//  - Coordinates: x = 0 is the left column, y = 0 the top row as displayed. Rows are stored
//    bottom-up, so row y lies at (height - 1 - y) * stride from the start of the pixels.
//  - Raw pixel value: the palette index for 1-, 4- and 8-bit images; 0x00RRGGBB (blue in the
//    low byte, as the bytes lie in memory) for 24- and 32-bit images.
//  - Operations work in place and return 0 on success or a small code for the first check
//    that failed; on a non-zero result the image is unchanged. Nothing throws.
//
// The members are implemented by family: record and pixel access (VeloraRecord.cpp), files
// (VeloraFiles.cpp, DibParser.cpp), intensity (VeloraIntensity.cpp), geometry (VeloraGeometry.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CFile.h"
#include "WinTypes.h"

// Rounding used wherever the system says a value is rounded: an exact half rounds down
// (2.5 gives 2, -2.5 gives -3).
double RoundHalfDown(double x);

// Exchanges bits 0-7 and 16-23: converts between 0x00RRGGBB pixel values and COLORREF.
constexpr std::uint32_t SwapRedBlue(std::uint32_t value) {
    return (value & 0xFF00FF00u) | ((value & 0xFFu) << 16) | ((value >> 16) & 0xFFu);
}

// Result codes of the readers. Codes 0-4 are the classic ones; 5 marks an image whose pixel
// data would exceed CVelora::kMaxPixelBytes or for which no memory could be had.
enum LoadResult : unsigned {
    kLoadOk = 0,
    kLoadCannotOpen = 1,   // path forms; memory forms of PGM and RAW-by-size: not P5 / length not in the table
    kLoadInvalid = 2,      // not "BM", not P5, wrong RAW length, or data missing or inconsistent
    kLoadBadDepth = 3,     // BMP depth not accepted
    kLoadCompressed = 4,   // BMP compressed (or bit-field masks other than the standard ones)
    kLoadTooLarge = 5,     // pixel data over the limit, or out of memory
};

// The file formats by name: the last three characters of a file name, case ignored, as
// the workbench and the command line choose a reader or writer.
enum class ImageFileKind { Bmp, Raw, Pgm, Other };
ImageFileKind KindOfFileName(const std::string& name);

// What a front end implements so that CVelora::Paint can hand it the image, the way a
// device context takes a DIB: the header (with colour table) and the bottom-up rows.
class CDibPainter {
public:
    virtual ~CDibPainter() = default;
    // Draws the whole DIB with its top-left corner at (x, y). False when it cannot.
    virtual bool DrawDib(int x, int y, const BITMAPINFO& info, const std::uint8_t* bits) = 0;
};

class CVelora {
public:
    // A point of the region lists (region growing).
    struct CPunto {
        std::int32_t x = 0;
        std::int32_t y = 0;
    };

    static constexpr std::uint64_t kMaxPixelBytes = std::uint64_t(1) << 30;  // 1 GiB
    static constexpr const char* kDefaultName = "SIN_NOMBRE.RAW";

    // 16 x 16, 8 bits, all pixels 0, gray palette.
    CVelora();
    // A new image; bits (stride x height bytes) and palette (colour-count entries) are optional.
    // A depth other than 1, 4, 8, 24, 32, a negative size, or pixel data over kMaxPixelBytes
    // gives an object that holds no image.
    CVelora(const std::uint8_t* bits, const RGBQUAD* palette, std::int32_t width, std::int32_t height,
            std::int32_t depth);
    // An indexed image (1, 4 or 8 bits) whose colour table has `entries` entries (1 to 2^depth,
    // biClrUsed = biClrImportant = entries): palette or the ramp (i, i, i, 0). No image on bad arguments.
    static CVelora WithTable(std::int32_t width, std::int32_t height, std::int32_t depth, std::uint32_t entries,
                             const RGBQUAD* palette = nullptr);
    CVelora(const CVelora& other);
    CVelora(CVelora&& other) noexcept;
    CVelora& operator=(const CVelora& other);
    CVelora& operator=(CVelora&& other) noexcept;
    virtual ~CVelora();

    // ---- Header accessors ----
    bool HasImage() const { return m_lpDIB != nullptr; }
    std::int32_t GetWidth() const;
    std::int32_t GetHeight() const;
    std::uint16_t GetBitCount() const;
    std::uint32_t GetNumColors() const;
    std::uint32_t GetMaxColors() const;
    std::uint32_t GetBytesPerRow() const;
    static std::uint32_t GetBytesPerRow(std::int32_t width, std::int32_t depth);
    std::uint32_t GetImageSize() const;
    static std::uint32_t GetImageSize(std::int32_t width, std::int32_t height, std::int32_t depth);
    std::uint32_t GetSizeImage() const;
    std::uint32_t GetPaletteSize() const;
    std::uint32_t GetDibSize() const;
    BITMAPINFOHEADER GetBitmapInfoHeader() const;
    const std::string& GetName() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }
    std::string GetExtension() const;
    std::string GetNameWithoutExtension() const;
    bool IsValidPoint(std::int32_t x, std::int32_t y) const;

    // Read-only views of the block, for drawing, saving and tests.
    const std::uint8_t* GetDIB() const { return m_lpDIB; }
    const BITMAPINFO* GetBitmapInfo() const { return m_lpBmI; }
    const RGBQUAD* GetPaletteData() const { return m_pPaleta; }
    const std::uint8_t* GetBits() const { return m_pchMapaBits; }

    // ---- Pixel access ----
    std::uint32_t GetPixel(std::int32_t x, std::int32_t y) const;  // 0xFFFFFFFF outside, 0xFFFFFFFE bad depth
    unsigned SetPixel(std::int32_t x, std::int32_t y, std::uint32_t value);
    unsigned GetRGBPixel(std::int32_t x, std::int32_t y, RGBQUAD& colour) const;
    unsigned SetRGBPixel(std::int32_t x, std::int32_t y, const RGBQUAD& colour);
    std::uint8_t GetAlfa(std::int32_t x, std::int32_t y) const;  // 255 outside, 254 not 32-bit
    unsigned SetAlfa(std::int32_t x, std::int32_t y, std::uint8_t alfa);
    unsigned Initialize(std::uint32_t value);
    unsigned InitializeRGB(const RGBQUAD& colour);

    // ---- Palette ----
    unsigned GetPalette(RGBQUAD* out) const;
    unsigned SetPalette(const RGBQUAD* in);
    unsigned SetGrayPalette();
    std::uint32_t FindPaletteIndex(std::uint32_t rgb) const;

    bool IsGray() const;
    std::uint32_t CountDifferentPixels(const CVelora& other) const;

    // ---- Display, clipboard ----
    // Hands the DIB to the painter with its top-left corner at (x, y); 1 when there is no
    // pixel data, no painter, or the painter fails.
    unsigned Paint(CDibPainter* painter, int x, int y) const;
    // Converts rowCount displayed rows from yTop down into 0xFFRRGGBB pixels (any depth the
    // readers accept, 16 bits as 5-5-5), out holding outStride pixels per row.
    void ConvertToRGB32(std::int32_t yTop, std::int32_t rowCount, std::uint32_t* out,
                        std::size_t outStride) const;
    // Replaces the image by a packed DIB (header, masks, colour table, pixels) as the
    // clipboard delivers it; a 32-bit DIB becomes 24 bits. The name is kept. Load codes.
    unsigned LoadFromDIB(const std::uint8_t* dib, std::size_t size);
    // A copy of the packed DIB (GetDibSize bytes); empty when the object holds no image.
    std::vector<std::uint8_t> CopyToGlobal() const;

    // ---- Files ----
    unsigned LoadBMP(CFile& file);
    unsigned LoadBMP(const std::string& path);
    unsigned LoadBMP(const std::uint8_t* buffer, std::size_t size);
    unsigned LoadPGM(CFile& file);
    unsigned LoadPGM(const std::string& path);
    unsigned LoadPGM(const std::uint8_t* buffer, std::size_t size);
    unsigned LoadRAW(CFile& file, std::int32_t width, std::int32_t height);
    unsigned LoadRAW(const std::string& path, std::int32_t width, std::int32_t height);
    unsigned LoadRAW(const std::uint8_t* buffer, std::size_t size, std::int32_t width, std::int32_t height);
    unsigned LoadRAW(CFile& file);  // dimensions from the size table
    unsigned LoadRAW(const std::string& path);
    unsigned LoadRAW(const std::uint8_t* buffer, std::size_t size);
    unsigned SaveBMP(CFile& file) const;
    unsigned SaveBMP(const std::string& path) const;
    unsigned SaveRAW(CFile& file) const;
    unsigned SaveRAW(const std::string& path) const;
    // The BMP file the writers produce, as bytes; empty when the object holds no image.
    std::vector<std::uint8_t> EncodeBMP() const;
    // The RAW bytes the writers produce (8-bit levels, top row first).
    std::vector<std::uint8_t> EncodeRAW() const;
    // Width and height of a RAW file of this length, from the size table.
    struct RawSize {
        std::int32_t width;
        std::int32_t height;
    };
    static std::optional<RawSize> RawSizeForLength(std::uint64_t length);

    // ---- Intensity ----
    unsigned Negative(int luminance, int red, int green, int blue);
    unsigned Brightness(int percent);
    unsigned Gamma(float gamma);
    unsigned LinearContrast(int inMin, int inMax, int outMin, int outMax, int luminance, int red, int green, int blue);
    unsigned ColorToGray(int method);
    unsigned ChangeColorDepth(int code);

    // ---- Geometry ----
    unsigned Flip(int mode);
    // Nearest-neighbour scaling: mode 0 by the factors, mode 1 to fx columns and fy rows.
    // 1 a negative factor, 2 a mode above 1, 3 no image or a result over kMaxPixelBytes.
    unsigned Scale(float fx, float fy, int mode);

    // ---- Means (inspector window) ----
    // Mean pixel value of column x, row y or the whole image, with the mean red, green and
    // blue in colour; -1 for a depth other than 1, 4, 8, 24, 32 (colour zeroed), -2 for a
    // column or row outside the image (colour untouched).
    std::int64_t GetMeanColumn(std::int32_t x, RGBQUAD& colour) const;
    std::int64_t GetMeanRow(std::int32_t y, RGBQUAD& colour) const;
    std::int64_t GetMeanImage(RGBQUAD& colour) const;

protected:
    std::uint8_t* Row(std::int32_t y) { return m_pchMapaBits + std::size_t(GetHeight() - 1 - y) * m_bytesPerRow; }
    const std::uint8_t* Row(std::int32_t y) const {
        return m_pchMapaBits + std::size_t(GetHeight() - 1 - y) * m_bytesPerRow;
    }
    // The palette entry of an index, or black for an index beyond the colour table.
    RGBQUAD PaletteColor(std::uint32_t index) const;
    std::uint32_t PaletteEntries() const;  // entries present in the block (0 for direct colour)
    bool IsIndexed() const;                // 1, 4 or 8 bits
    bool HasAccessibleDepth() const;       // 1, 4, 8, 24 or 32 bits

    // An image of the given size with this image's header, colour table and name, pixels 0.
    CVelora BlankLike(std::int32_t width, std::int32_t height) const;
    // Replaces every pixel index i of an indexed image by table[i] (256 entries).
    void RemapIndices(const std::uint8_t* table);
    // Applies a table to the chosen colour bytes of every palette entry (indexed images) or
    // of every pixel (24/32 bits; the alpha byte stays).
    void RemapChannels(const std::uint8_t* table, bool red, bool green, bool blue);
    // Whether the point operations treat this image through its indices: 4 or 8 bits, gray palette.
    bool IsGrayIndexed() const;
    // Takes ownership of a canonical block (header, table, pixels) and points into it.
    void AdoptBlock(std::unique_ptr<std::uint8_t[]> block, std::size_t size);
    void Release();
    // Replaces this image by other, keeping this image's name.
    void ReplaceKeepingName(CVelora&& other);

private:
    bool Create(const std::uint8_t* bits, const RGBQUAD* palette, std::int32_t width, std::int32_t height,
                std::int32_t depth, std::uint32_t tableEntries);
    void SetPointers();
    unsigned LoadBMPBytes(const std::uint8_t* data, std::size_t size);
    unsigned LoadPGMBytes(const std::uint8_t* data, std::size_t size, unsigned notP5Code);
    std::int64_t MeanOf(std::int32_t x0, std::int32_t x1, std::int32_t y0, std::int32_t y1, bool sumRawDirect,
                        RGBQUAD& colour) const;
    unsigned LoadRAWBytes(const std::uint8_t* data, std::size_t size, std::int32_t width, std::int32_t height);

    std::uint8_t* m_lpDIB = nullptr;
    BITMAPINFOHEADER* m_lpBmIH = nullptr;
    BITMAPINFO* m_lpBmI = nullptr;
    RGBQUAD* m_pPaleta = nullptr;
    std::uint8_t* m_pchMapaBits = nullptr;
    std::uint32_t m_bytesPerRow = 0;
    std::string m_name;

    std::unique_ptr<std::uint8_t[]> m_block;  // owns what m_lpDIB points to
    std::size_t m_blockSize = 0;
};
