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
// (VeloraFiles.cpp, DibParser.cpp), point operations (VeloraIntensity.cpp), non-linear
// contrast (VeloraContrast.cpp), histogram and equalization (VeloraHistogram.cpp), colour
// models (VeloraColorModels.cpp), geometry (VeloraGeometry.cpp), warps and interlacing
// (VeloraWarps.cpp), means (VeloraMeans.cpp), convolution filters (VeloraConvolution.cpp,
// VeloraRankFilters.cpp), noise and hoover (VeloraNoise.cpp), the Fourier spectrum
// (VeloraSpectrum.cpp), effects (VeloraEffects.cpp).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
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

// The eleven colour models. The active model of the workbench is one of these values.
enum ColorModel : int {
    kModelRGB = 0,
    kModelCMYK = 1,
    kModelHSI = 2,
    kModelHSV = 3,
    kModelHSL = 4,
    kModelYIQ = 5,
    kModelYUV = 6,
    kModelYCbCr = 7,
    kModelCIEXYZ = 8,
    kModelCIELAB = 9,
    kModelCIELUV = 10,
    kColorModelCount = 11,
};

// What the windows and titles call a model and its components.
struct ColorModelInfo {
    const char* name;       // in the model window: "CIE XYZ"
    const char* shortName;  // in titles: "CIEXYZ"
    int components;         // 3, or 4 for CMYK
    const char* componentNames[4];
};
// nullptr for a value outside 0..10.
const ColorModelInfo* FindColorModel(int model);

// What a front end implements to watch a step-by-step run: the slow variants of the
// operations report each row through it, so that the library needs no toolkit.
class CStepProgress {
public:
    virtual ~CStepProgress() = default;
    // Disables (false) or re-enables (true) the controls of the dialog that started the run.
    virtual void EnableControls(bool enabled) = 0;
    // The progress text (UTF-8), shown at once.
    virtual void SetProgressText(const std::string& text) = 0;
    // Shows the image being worked on, as it is after the latest row.
    virtual void ShowWorkingImage(const class CVelora& image) = 0;
    // Waits between rows; the workbench keeps its windows painted meanwhile.
    virtual void Pause(unsigned milliseconds) = 0;
    // The user asked the run to stop (checked after each pause).
    virtual bool Stopped() const { return false; }
};

// Counts by level (0..255) and channel: 0 luminance, 1 red, 2 green, 3 blue.
using HistogramTable = std::array<std::array<std::int32_t, 4>, 256>;

// Summary of an unscaled histogram: per channel the lowest and highest level with a
// nonzero count and the most frequent level (the lowest one on a tie), with their counts.
// Twenty-four integers in this order; all 0 for an empty channel.
struct InfoHistogram {
    struct LevelCount {
        std::int32_t level = 0;
        std::int32_t count = 0;
    };
    LevelCount lowest[4];
    LevelCount highest[4];
    LevelCount mode[4];
};

// ---- Translation and visual angles ----
// The monitors' measures, in this order: the number of monitors; the diagonals in inches of
// the main and of the second monitor; the resolution in pixels (horizontal, vertical) of
// the main, then of the second monitor; the physical size in millimetres of the main, then
// of the second; the logical pixels per inch of the main, then of the second. The second
// monitor's fields are 0 when there is only one. Plain data: the front end measures the
// screens (or the command line's --monitor gives them), the library only computes.
struct MonitorGeometry {
    std::uint32_t monitors = 0;
    std::uint32_t mainDiagonal = 0, secondDiagonal = 0;
    std::uint32_t mainWidth = 0, mainHeight = 0, secondWidth = 0, secondHeight = 0;
    std::uint32_t mainWidthMm = 0, mainHeightMm = 0, secondWidthMm = 0, secondHeightMm = 0;
    std::uint32_t mainDpiX = 0, mainDpiY = 0, secondDpiX = 0, secondDpiY = 0;
};
// What a front end measures of one monitor.
struct MonitorMeasures {
    std::uint32_t width = 0, height = 0;      // pixels
    std::uint32_t widthMm = 0, heightMm = 0;  // millimetres
    std::uint32_t dpiX = 0, dpiY = 0;         // logical pixels per inch
};
// The record of count monitors (second may be null), with the diagonals
// trunc(sqrt((H/10)^2 + (W/10)^2) * 0.393700787401575 + 1).
MonitorGeometry DescribeMonitors(std::uint32_t count, const MonitorMeasures& main, const MonitorMeasures* second);

// A visual angle seen from a distance, as a length on the screen.
struct AngularExtentResult {
    float centimetres = 0;
    float inches = 0;
    std::int32_t horizontalPixels = 0;
    std::int32_t verticalPixels = 0;
};
// The displacement of a translation by distance and angle: r in centimetres and inches, its
// horizontal and vertical components in centimetres, and the offsets in pixels.
struct DisplacementReadout {
    float centimetres = 0;
    float inches = 0;
    float horizontal = 0;
    float vertical = 0;
    std::int32_t dx = 0;
    std::int32_t dy = 0;
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

    // ---- Threads ----
    // Operations whose rows are independent share them among this many threads (the calling
    // one included); the result is the same byte for byte whatever the count. 0 = one per
    // hardware thread (the default). Applies to every image, from the next operation on.
    static void SetThreadCount(unsigned count);
    // The count in use: the setting, or the number of hardware threads when it is 0.
    static unsigned GetThreadCount();

    // ---- Header accessors ----
    bool HasImage() const { return m_lpDIB != nullptr; }
    std::int32_t GetWidth() const { return m_lpBmIH ? m_lpBmIH->biWidth : 0; }
    std::int32_t GetHeight() const { return m_lpBmIH ? m_lpBmIH->biHeight : 0; }
    std::uint16_t GetBitCount() const { return m_lpBmIH ? m_lpBmIH->biBitCount : 0; }
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
    // The alpha byte of every pixel. 1 not a 32-bit image.
    unsigned SetAlfa(std::uint8_t alfa);
    // Mode 2: alpha becomes 255 - alpha; mode 3: (red + green + blue) / 3. 1 not a 32-bit
    // image; 2 another mode.
    unsigned AlphaOperation(int mode);
    // Every pixel gets the raw value (an index, or 0x00RRGGBB; the alpha byte stays). 1 depth
    // not 1, 4, 8, 24, 32; 2 an index beyond the colour table of an indexed image.
    unsigned FillIndex(std::uint32_t value);

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
    // code 0..4: 1, 4, 8, 24 or 32 bits. 1 depth not 1, 4, 8, 24, 32; 2 code outside 0..4; 3 a
    // colour image to 4 or 8 bits; 4 no memory.
    unsigned ChangeColorDepth(int code);

    // ---- Thresholds ----
    // n is the number of levels: the colour table's entries for indexed images, 256 for
    // 24 and 32 bits. Every level below t becomes low, every other high; direct colour takes
    // red, green and blue one by one (the alpha byte stays). 1 t >= n; 2 depth not 4, 8, 24,
    // 32; 3 low or high above n - 1.
    unsigned Threshold(std::uint8_t t, std::uint8_t low, std::uint8_t high);
    // 8 bits: blocks of blockHeight x blockWidth from the top-left corner as displayed (the
    // last row and column of blocks take the remainder), each thresholded on its own.
    // thresholdKind: -1 the block's mean, -2 its maximum, -3 the highest level of the image,
    // any other value that level. outputKind: 0 the block's minimum and maximum, 1 0 and the
    // block's maximum, 2 the lowest and highest level of the image, 3 0 and n - 1.
    // 2 not 8 bits; 1 a block size outside [1, height] or [1, width]; 3 outputKind outside 0..3;
    // 4 no memory.
    unsigned LocalThreshold(int blockHeight, int blockWidth, int thresholdKind, int outputKind);
    // The threshold that a method finds: 0 the mean level (MeanLevel); 1 ISODATA from the
    // mean, T becoming the mean of the mean levels below and above it (the red byte for
    // direct colour) until it stays or a side is empty (extra gets the iterations); 2 the
    // least frequent level between the two highest peaks of the histogram's channel 0 (extra
    // gets the second peak). -1 depth not 4, 8, 24, 32; -2 a method outside 0..2 (extra
    // untouched on both).
    int OptimalThreshold(int method, int& extra) const;
    // The mean level (of the indices; of the blue bytes for direct colour), and the mean red,
    // green and blue in rgb, each truncated. -1 for a depth other than 1, 4, 8, 24, 32 (rgb zeroed).
    int MeanLevel(RGBQUAD& rgb) const;

    // ---- Gray-level operations ----
    // Levels are the indices of palette images and the red, green and blue bytes of 24/32-bit
    // pixels, each on its own; K = 16 for 4-bit images, 256 otherwise.
    // Slicing: levels in [lo, hi] become inValue; the others become outValue (mode 0, binary)
    // or stay (mode 1, preserve background). 1 depth not 4, 8, 24, 32; 2 mode outside 0..1;
    // 3 lo > hi, lo < 0 or hi >= K; 4 inValue outside [0, K); 5 outValue outside [0, K);
    // 6 no memory to grow a colour table shorter than the indices written.
    unsigned GrayLevelSlice(int mode, int lo, int hi, int inValue, int outValue);
    // flags[23 - p] == 1 clears bit p of every pixel value (planes 0..depth - 1; for 24/32
    // bits the value is blue + 256 green + 65536 red, the alpha byte stays). Every depth,
    // 16 bits included; always 0.
    unsigned EraseBitPlanes(const std::array<int, 24>& flags);
    // The image becomes plane p of itself: 1 bit per pixel, black (index 0) and white
    // (index 1), white where bit p of the pixel value is set, whatever the colour table says
    // the values look like. 16-bit images give their planes 0..15 the same way. The name
    // stays. 1 p outside 0..depth - 1 (0..23 for 32 bits); 2 no memory for the result.
    unsigned ExtractBitPlane(int p);
    // n bands of step = 256 / n levels: a level v becomes b * step + step / 2 with
    // b = min(v / step, n - 1). 1 n outside [2, 128]; 2 depth not 8, 24, 32; 3 not gray;
    // 4 no memory to grow a colour table shorter than the indices written.
    unsigned GrayBands(int n);
    // Red 254 - 2R below 128, else 0; green 2G below 128, else 511 - 2G; blue 0 below 128,
    // else 2B - 256: on the colour table of palette images, on the pixels otherwise.
    // 1 depth not 1, 4, 8, 24, 32.
    unsigned FalseColor();
    // Adds 255 * percent / 100 (truncated) to each channel, clamped to 0..255: on the colour
    // table of palette images, on the pixels otherwise. 1 a percentage outside [-100, 100];
    // 2 depth not 4, 8, 24, 32.
    unsigned ColorBalance(int red, int green, int blue);

    // ---- Non-linear contrast ----
    // Function 0 square, 1 cube, 2 square root, 3 cube root, 4 logarithm, 5 sine sigmoid,
    // 6 tangent sigmoid; alpha in [0, 1] shapes the sigmoids. 1 depth not 4, 8, 24, 32;
    // 2 alpha outside [0, 1]; 3 function above 6; 4 model above 10; 5 no memory to grow a
    // colour table shorter than the indices the function gives (RGB, indexed images).
    unsigned NonLinearContrast(int colorModel, int function, float alpha);
    // The same in RGB, row by row, reporting each row (step-by-step mode). Codes 1-3.
    unsigned NonLinearContrastStepByStep(int function, float alpha, CStepProgress& progress);

    // ---- Histogram and equalization ----
    // With scale >= 1 the counts are scaled for drawing. 1 depth not 1, 4, 8, 24, 32.
    unsigned Histogram(HistogramTable& out, int scale) const;
    unsigned GetInfoHistogram(InfoHistogram& info) const;
    // The summary GetInfoHistogram gives, of counts already taken (Histogram with no scale).
    static InfoHistogram SummarizeHistogram(const HistogramTable& counts);
    // Scales the channels from firstChannel on to their highest count, as Histogram does
    // (it starts at 1 for direct colour: the luminance keeps its counts).
    static void ScaleHistogram(HistogramTable& table, int scale, std::size_t firstChannel);
    // Rounding 0 classic, 1 truncation, 2 upwards (RGB only). 1 depth, 2 model outside
    // 0..10, 3 rounding above 2, 4 no memory to grow a colour table shorter than 2^depth
    // (RGB equalizes the indices of an indexed image over 0..2^depth - 1; the table grows
    // to cover them: gray levels when it is the ramp i -> (i, i, i), black entries otherwise).
    unsigned Equalize(int colorModel, int rounding);

    // ---- Colour models ----
    // colour is 0x00RRGGBB (blue in the low byte). Each conversion fills out and returns it,
    // or returns nullptr and leaves out alone when the range code is not one of the model's.
    // Range 1 puts every component in [0, 255].
    static float* RGBToCMYK(float* out, std::uint32_t colour, int range);
    static float* RGBToHSI(float* out, std::uint32_t colour, int range);
    static float* RGBToHSV(float* out, std::uint32_t colour, int range);
    static float* RGBToHSL(float* out, std::uint32_t colour, int range);
    static float* RGBToYIQ(float* out, std::uint32_t colour, int range);
    static float* RGBToYUV(float* out, std::uint32_t colour, int range);
    static float* RGBToYCbCr(float* out, std::uint32_t colour, int range);
    static float* RGBToXYZ(float* out, std::uint32_t colour, int range);
    static float* RGBToLAB(float* out, std::uint32_t colour, int range);
    static float* RGBToLUV(float* out, std::uint32_t colour, int range);
    static float* XYZToLAB(float* out, const float* xyz, int inputRange, int outputRange);
    static float* XYZToLUV(float* out, const float* xyz, int inputRange, int outputRange);
    static float* LABToXYZ(float* out, const float* lab, int inputRange, int outputRange);
    static float* LUVToXYZ(float* out, const float* luv, int inputRange, int outputRange);
    // Back to RGB: out gets blue, green, red and 0.
    static RGBQUAD* CMYKToRGB(RGBQUAD* out, const float* components, int range);
    static RGBQUAD* HSIToRGB(RGBQUAD* out, const float* components, int range);
    static RGBQUAD* HSVToRGB(RGBQUAD* out, const float* components, int range);
    static RGBQUAD* HSLToRGB(RGBQUAD* out, const float* components, int range);
    static RGBQUAD* YIQToRGB(RGBQUAD* out, const float* components, int range);
    static RGBQUAD* YUVToRGB(RGBQUAD* out, const float* components, int range);
    static RGBQUAD* YCbCrToRGB(RGBQUAD* out, const float* components, int range);
    static RGBQUAD* XYZToRGB(RGBQUAD* out, const float* components, int range);
    // The range-1 conversion of a model used by the image operations (LAB and LUV through
    // XYZ), and its inverse. False for a model outside 0..10. RGB is the bytes themselves.
    static bool ToModel(int colorModel, std::uint32_t colour, float* out);
    static bool FromModel(int colorModel, const float* components, RGBQUAD& out);

    // Splits the image into the components of a model: three (four for CMYK, and for a
    // 32-bit image in RGB, the alpha byte) existing 8-bit images of this image's size,
    // which get gray palettes. 1 depth not 1, 4, 8, 24, 32; 2 an output missing; 3 an
    // output of another size; 4 an output not of 8 bits; 5 a model outside 0..10.
    unsigned SplitChannels(int colorModel, CVelora* out1, CVelora* out2, CVelora* out3, CVelora* out4) const;

    // ---- Palette ramps and palette files ----
    // Entry i of the table gets i in one channel (0 red, 1 green, 2 blue) and 0 in the other
    // two: a 4-bit image gets the levels 0..15, not a spread over 0..255. 1 channel outside
    // 0..2; 2 depth not 1, 4, 8.
    unsigned SetChannelPalette(int channel);
    // Each argument names the channel (0 red, 1 green, 2 blue) of the current table that the
    // new red, green or blue takes, for every entry alike. 1-3 newRed, newGreen, newBlue
    // outside 0..2; 4 depth not 1, 4, 8.
    unsigned RearrangePaletteChannels(int newRed, int newGreen, int newBlue);

    // JASC-PAL palette files: "JASC-PAL", "0100", the count (16 for 4 bits, 256 for 8 bits),
    // then one line "r g b" per entry, every line ended by CR LF.
    enum PaletteFileResult : unsigned {
        kPaletteOk = 0,
        kPaletteBadDepth = 1,    // the image is not of 4 or 8 bits
        kPaletteCannotOpen = 2,  // cannot be opened, or is not a regular file
        kPaletteNotJasc = 3,     // first line not "JASC-PAL", or a count other than 16 or 256
        kPaletteBadEntry = 4,    // an entry line that is not three numbers 0..255
        kPaletteWrongCount = 5,  // fewer entry lines than the count, or text after them
        kPaletteTooLarge = 6,    // longer than kMaxPaletteFileBytes
        kPaletteNoMemory = 7,    // no memory to read the file
    };
    static constexpr std::size_t kMaxPaletteFileBytes = 64 * 1024;
    // Reads a palette file; nothing changes unless the whole file is valid. Entry i of the
    // table takes entry i of the file for i below both counts; the rest keep their colours.
    // Lines may end in CR LF or LF; blanks at the end of a line, blank lines after the
    // entries and a missing last line end are accepted.
    unsigned LoadPalette(const std::string& path);
    // The same from the file's bytes (no code 2).
    unsigned DecodePalette(const std::uint8_t* data, std::size_t size);
    // Writes GetMaxColors entries (an entry beyond a short colour table as black) through a
    // temporary renamed over the target. 1 depth not 4 or 8; 2 the file cannot be created;
    // 3 writing it failed (the old file, if any, stays as it was); 4 no memory.
    unsigned SavePalette(const std::string& path) const;
    // The bytes SavePalette writes; empty when the image is not of 4 or 8 bits.
    std::string EncodePalette() const;

    // ---- Geometry ----
    unsigned Flip(int mode);  // 1 mode above 1; 2 depth not 1, 4, 8, 16, 24, 32; 3 no memory
    // Nearest-neighbour scaling: mode 0 by the factors, mode 1 to fx columns and fy rows.
    // 1 a negative factor, 2 a mode above 1, 3 no image, a result over kMaxPixelBytes or no
    // memory, 4 a result of no columns or no rows.
    unsigned Scale(float fx, float fy, int mode);

    // ---- Warps and interlacing ----
    // A background is a colour reference (red in the low byte): direct-colour pixels take it,
    // an indexed image the first table entry of exactly that colour, else its last entry.
    // A 32-bit pixel that moves takes its colour bytes along; every alpha byte stays in place.
    // Squeezes the picture into its inscribed ellipse; what comes from outside the picture
    // takes the last table entry (white in direct colour). 1 depth not 1, 4, 8, 24, 32.
    unsigned Ellipse();
    // Moves each column x down (startZone 0) or up (1) by (sin(x / divisor) + 1) * amplitude
    // rows, truncated; rows no pixel reaches take the background. 1 startZone outside 0..1;
    // 2 depth not 1, 4, 8, 24, 32; 3 divisor 0.
    unsigned Ripple(int amplitude, int divisor, int startZone, std::uint32_t background);
    // Turns the pixels within radius of the centre by up to angle * pi^2 / 360 radians (the
    // angle in degrees), more towards the centre; sources outside the picture give black, or
    // the all-ones index (the last table entry when the table is shorter). 1 depth not 1, 4,
    // 8, 24, 32; 2 an angle that is not a finite number.
    unsigned Swirl(double angle, int radius);
    // Moves one or two corners by percent (of the height or width; types 0-3 twice as far):
    // every source pixel, columns outer, is written where the type's formula sends it.
    // 1 depth not 1, 4, 8, 24, 32; 2 type outside 0..9; 3 percent outside 0..100.
    unsigned Shear(int type, double percent, std::uint32_t background);
    // The image becomes a's and b's rows (kind 0) or columns (kind 1) in turn, the rest of the
    // longer one after them, with a's depth; it keeps its colour table when it has a's depth
    // (else takes a's). 1 kind outside 0..1; 2 a or b missing; 3 a depth of a, b or this image
    // not 1, 4, 8, 24, 32; 4 a and b of different depths; 5 kind 0 and different widths;
    // 6 kind 1 and different heights; 7 a result over kMaxPixelBytes or no memory. A colour
    // table kept shorter than a's and b's indices grows (see WithGrownTable).
    unsigned Interlace(int kind, const CVelora* a, const CVelora* b);
    // Keeps the even (parity 1: 0, 2, 4...) or odd (2) rows (kind 0) or columns (kind 1).
    // 1 depth not 1, 4, 8, 24, 32; 2 kind outside 0..1; 3 parity not 1 or 2; 4 nothing would
    // be left (parity 2 of a single row or column); 5 no memory.
    unsigned Deinterlace(int kind, int parity);

    // ---- Translation and visual angles ----
    // Moves the picture by (dx, dy) pixels (x right, y down). Mode 0 grows the canvas to
    // (width + |dx|) x (height + |dy|), holding the old and the moved position; mode 1 keeps
    // the size and drops what leaves it. Uncovered pixels take BackgroundValue(background).
    // 32-bit pixels move with their alpha byte; the background's is 0. 1 depth not 1, 4, 8,
    // 24, 32; 2 mode outside 0..1; 3 the result would exceed kMaxPixelBytes, or no memory.
    unsigned Translate(int mode, int dx, int dy, std::uint32_t background);
    // Translates by the displacement that a visual angle alpha (degrees) makes at distance
    // cm, in the direction beta (degrees clockwise from up), on the second monitor when there
    // are two or more, else on the main one. Fills readout first (AngularDisplacement).
    // 1 depth as Translate; 2 mode outside 0..1; 3 alpha outside 0..80; 4 beta outside
    // 0..360; 5 the monitor's resolution is 0 or its size below 10 mm; 6 as Translate's 3.
    unsigned TranslateByAngle(int mode, int distance, float alpha, float beta, std::uint32_t background,
                              DisplacementReadout& readout, const MonitorGeometry& monitor);
    // The read-out alone: codes 3, 4 and 5 of TranslateByAngle (readout untouched on them).
    // Offsets beyond the range of int are held at its ends.
    static unsigned AngularDisplacement(int distance, float alpha, float beta, const MonitorGeometry& monitor,
                                        DisplacementReadout& readout);
    // The length that angle (degrees) spans at distance cm on monitor 0 (main) or 1 (second).
    // 1 distance negative; 2 angle outside 0..60; 3 monitor not 0 or 1, or 1 without a second
    // monitor; 4 that monitor's resolution is 0 or its size below 10 mm. result untouched on
    // a refusal; pixel counts beyond the range of int are held at its ends.
    static unsigned AngularExtent(int distance, float angle, int monitor, const MonitorGeometry& record,
                                  AngularExtentResult& result);
    // The pixel value a background colour reference (red in the low byte) gives: the colour
    // for 24 and 32 bits, 5-5-5 for 16 bits; for indexed images the first entry with exactly
    // its red, green and blue, else the last entry of the colour table (the all-ones index of
    // a full table).
    std::uint32_t BackgroundValue(std::uint32_t colour) const;

    // ---- Scotoma ----
    // Blanks a band around the fixation point (centreColumn, centreRow), y down. Type 0: the
    // columns centreColumn - a .. centreColumn + b - 1 of the rows centreRow - e ..
    // centreRow + c; type 1: the rows centreRow - a .. centreRow + b - 1 over the full width.
    // Mode 0 pushes each side out by the band's extent (what leaves the image is lost; 1- and
    // 4-bit images are only filled); mode 1 squeezes each side into what is left of it, as
    // Scale does to a size. The band takes fill (a colour reference: BackgroundValue) or, with
    // fillWithImage, each line the pixel (the row, for type 1) at the centre; 32-bit fills keep
    // the alpha byte. 1 type above 1; 2 the band does not fit (type 0: centreColumn < a,
    // centreColumn + b > width - 1, centreRow < e or centreRow + c > height - 1; type 1 the
    // same with rows and columns exchanged); 3 mode above 1; 4 fillWithImage above 1; 5 depth
    // not 1, 4, 8, 16, 24, 32; 6 no memory.
    unsigned Scotoma(unsigned type, unsigned centreColumn, unsigned centreRow, unsigned a, unsigned b, unsigned c,
                     unsigned e, unsigned mode, unsigned fillWithImage, std::uint32_t fill);

    // ---- Rotation and crop ----
    // Angles in degrees; background is a colour reference (red in the low byte): palette
    // images take the first entry of that colour, or the highest index of the colour table;
    // 16-bit images take it as 5-5-5. 32-bit pixels carry their alpha byte, background 0.
    // In-plane rotation, clockwise for theta > 0; mode 0 a new size, 1 the same size.
    // 1 theta outside [-360, 360]; 2 depth not 1, 4, 8, 16, 24, 32; 3 mode outside 0..1;
    // 4 a result over kMaxPixelBytes, or no memory.
    unsigned Rotate(int mode, double theta, std::uint32_t background);
    // About three axes: a turn in depth (alpha about X, beta about Y) projected onto the
    // image's own size, then the in-plane rotation by theta. Codes as Rotate, 1 for any angle.
    unsigned Rotate3D(int mode, double alpha, double beta, double theta, std::uint32_t background);
    // Keeps the rectangle from (x1, y1) to (x2, y2), corners included. 1 unless
    // 0 <= x1 < x2 < width and 0 <= y1 < y2 < height; 2 depth not 1, 4, 8, 24, 32; 3 no memory.
    unsigned Crop(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2);

    // ---- Random noise and hoover (VeloraNoise.cpp) ----
    // Both draw from the C generator (rand), seeded at the start of every run with
    // velora::RunSeed() (RandomSeed.h); the order of the draws is part of the result.
    // Adds r / 32768 * (maximum - minimum) + minimum (single precision, halves rounded down)
    // to the level of pixels (the index, or the red component; true colour is written back as
    // gray), limited to 0..top (1, 15 or 255). distributionMode 0: count picks, x then y
    // drawn; 1: every pixel, top row first. noiseMode 1 skips pixels whose level lies outside
    // bandMinimum..bandMaximum. 1 depth not 1, 4, 8, 24, 32; 2 noiseMode above 1;
    // 3 distributionMode above 1; 4 minimum not below maximum or outside -top..top; 5 (noise
    // mode 1 only) a band outside the levels present (histogram channel 0) or reversed;
    // 6 count outside 1..width * height.
    unsigned Noise(int noiseMode, int distributionMode, int minimum, int maximum, int bandMinimum, int bandMaximum,
                   int count);
    // iterations * 50000 random rays from (column, row): inward (0) each copies its outer
    // point's pixel one step towards the start, outward (1) the inner one outwards. 1 direction
    // above 1; 2 start point outside the image; 3 iterations below 1; 4 depth not 1, 4, 8, 24,
    // 32; 5 no memory; 6 iterations above kMaxHooverIterations.
    unsigned Hoover(int direction, int column, int row, int iterations);
    // Each iteration is 50,000 rays whatever the image's size: the bound keeps a run to
    // seconds (about 2 ms an iteration on 512 x 512), not days.
    static constexpr int kMaxHooverIterations = 10000;

    // ---- Fourier spectrum (VeloraSpectrum.cpp) ----
    // The log-scaled magnitude of the one-dimensional transform of the pixel sequence in
    // storage order (form 1: multiplied by (-1)^(x + y) first, zero frequency in the middle).
    // Every size whose pixel count is a power of two is taken (the rows' padding is skipped).
    // 1 width * height not a power of two; 2 depth not 8; 3 form not 0 or 1; 5 no memory for
    // the transform; 6 the transform would need more than kMaxSpectrumWorkBytes (code 4,
    // once "narrower than 4", is no longer given).
    unsigned Spectrum(int form);
    // The transform works on one complex double per pixel; beyond 2^28 pixels (16384 x 16384,
    // 4 GiB of work) it is refused before anything is allocated.
    static constexpr std::uint64_t kMaxSpectrumWorkBytes = std::uint64_t(16) << 28;
    static std::uint64_t SpectrumWorkBytes(std::int32_t width, std::int32_t height);

    // ---- Effects (VeloraEffects.cpp) ----
    // Every block of blockHeight x blockWidth pixels (the remainder joins the last row and
    // column of blocks) takes the truncated single-precision mean of its raw values.
    // 1 blockHeight outside 1..height / 2 or blockWidth outside 1..width / 2; 2 depth not 1, 4,
    // 8, 24, 32; 3 no memory.
    unsigned Mosaic(int blockHeight, int blockWidth);

    // ---- Means (inspector window) ----
    // Mean pixel value of column x, row y or the whole image, with the mean red, green and
    // blue in colour; -1 for a depth other than 1, 4, 8, 24, 32 (colour zeroed), -2 for a
    // column or row outside the image (colour untouched).
    std::int64_t GetMeanColumn(std::int32_t x, RGBQUAD& colour) const;
    std::int64_t GetMeanRow(std::int32_t y, RGBQUAD& colour) const;
    std::int64_t GetMeanImage(RGBQUAD& colour) const;

    // ---- Convolution filters and emboss ----
    // Sample values are the palette index (4 and 8 bits) or the red component (24 and 32
    // bits, written back as gray); top is 15, 255 or 255.
    // Correlates with mask (size x size coefficients row by row, the first row over the row
    // above the centre; half-width size / 2), divides each sum by divisor (toward zero) and
    // maps it: rangeMode 0 rescales [min(0, sums) / divisor, max(0, sums) / divisor] onto
    // 0..top (all 0 when that range is empty), 1 clamps to 0..top, 2 takes |q| up to top.
    // borderMode 0 leaves the frame of half-width pixels as it is; 1 reads outside the image
    // the raw value 255 (15 for 4 bits, 0x0000FF for 24/32 bits); 2 reads the nearest outer
    // row or column (as the frame left by pasting the image five times into an enlarged one).
    // 1 depth not 4, 8, 24, 32; 2 divisor 0; 3 rangeMode outside 0..2; 4 borderMode outside
    // 0..2; 5 size outside 1..11 or fewer than size x size coefficients; 6 no memory (for the
    // working rows, or to grow a short colour table to every level, as every filter does first).
    unsigned Convolution(std::span<const int> mask, int size, int divisor, int rangeMode, int borderMode);
    // Entry index of the predefined filters (FilterCatalogue.h): linear masks through
    // Convolution, two-mask and eight-direction edge detectors, and window filters (median,
    // maximum, minimum, midpoint, max-min enhancement, geometric and harmonic means) that
    // ignore the two modes and leave the frame they cannot centre a window on.
    // 1 depth not 4, 8, 24, 32; 2 no entry of that index (38, 39, 69, outside 0..77);
    // 3 rangeMode outside 0..2; 4 borderMode outside 0..2; 5 no memory.
    unsigned PredefinedFilter(int index, int rangeMode, int borderMode);
    // Relief: L / 2 - A(x - offset, y) + I(x, y) held to 0..L-1 (L the table size 16 or 256),
    // A the image smoothed by the 5x5 mean (rescaled, replicated border); row 0 and the first
    // offset columns stay. 2 depth not 4 or 8; 1 offset not 1, 3 or 5; 3 no memory.
    unsigned Emboss(int offset);
    // ---- Operations between images ----
    // Values are those of the pixel accessors: indices of palette images (maximum level
    // L = 2^depth - 1), the blue, green and red bytes one by one for 24 and 32 bits (the
    // alpha byte stays). Results are computed in single precision; a result that is not a
    // number gives 0. Indices beyond a short colour table grow it (as Equalize does).
    // b may be this image: it is then read as it was before the call.
    //
    // Operation 0 sum, 1 difference, 2 product, 3 division, 4 mean, 5 lighter, 6 darker, of
    // a = A * weightA and b = B * weightB; B's pixel (x, y) meets A's (x + offsetColumn,
    // y + offsetRow) within the smaller width and height, and nothing beyond A's edges.
    // 1 operation above 6; 2 a depth of A or B not 1, 4, 8, 24, 32; 4 a weight negative or
    // not a number; 5 an offset negative or beyond A's last column or row; 3 the depths
    // differ and not both are 24 or 32 bits; 6 no memory to grow the colour table.
    unsigned Arithmetic(unsigned operation, const CVelora& b, float weightA, float weightB, int offsetColumn,
                        int offsetRow);
    // The same operations with weights 1 and no offset; the mean is (A + B) >> 1 and
    // lighter and darker take the larger or smaller value. Codes 1, 2, 3 as Arithmetic;
    // 4 no memory to grow the colour table.
    unsigned SaturatingArithmetic(unsigned operation, const CVelora& b);
    // Operation 0 NOT (the whole image; b is not read), 1 AND, 2 OR, 3 XOR, 4 NAND, 5 NOR on
    // the raw values (an index, or 0x00RRGGBB), within the smaller width and height, the
    // result cut to A's pixel width. 1 operation above 5; 2 a depth of A (or of b, when read)
    // not 1, 4, 8, 24, 32; 3 b missing for an operation other than NOT; 4 no memory to grow
    // the colour table.
    unsigned Logical(unsigned operation, const CVelora* b);

    // ---- Binary images, segmentation and morphology (VeloraBinarySets.cpp, VeloraRegionGrowing.cpp, VeloraMorphology.cpp) ----
    // Step-by-step variants stop early, leaving the image part done, once progress.Stopped()
    // answers true: the caller restores it.
    //
    // Applies the selected rules (rules[0] is rule 1) in order, each over the result of the
    // one before; rows and columns of the frame stay. 1 depth not 1; 2 no memory.
    unsigned BinarySmoothing(const std::array<bool, 6>& rules);
    unsigned BinarySmoothingStepByStep(const std::array<bool, 6>& rules, CStepProgress& progress);
    // Floods from the seed (column, row from the top) in rings of city-block (distance 0) or
    // chessboard (1) distance through the 8 neighbours whose value (index; red for 24/32 bits)
    // differs from the seed's by at most the threshold: a level difference (criterion 0) or
    // a percentage of the levels' range (1). The region gets the red of fill (a colour
    // reference, red in the low byte): as the index (cut to the depth), or as gray.
    // 1 depth not 4, 8, 24, 32; 2 seed outside; 3 distance above 1; 4 criterion above 1;
    // 5 no memory (the visited map, or to grow a short colour table to the fill index).
    unsigned RegionGrowing(unsigned column, unsigned row, unsigned distance, unsigned criterion,
                           std::uint8_t threshold, std::uint32_t fill);
    // Sets are two-colour images whose members are the pixels of index 0.
    // Code 0 complement (indices 0 and 1 swap in a gray image; the negative palette
    // otherwise), 1 reflection through the centre, 2 union, 3 intersection, 4 difference
    // this - b, within the smaller width and height. 1 code above 4; 2 this image (or b, for
    // codes 2 to 4; a null b included) is not a two-colour image; 3 no memory.
    unsigned SetOperation(unsigned code, const CVelora* b);
    // Operation 0 dilation, 1 erosion, 2 opening, 3 closing, 4 smoothing (opening, then
    // closing), 5 gradient, 6 top-hat, with the width x height element (values row by row;
    // for 1-bit images 0 marks a member cell, for 4 and 8 bits values are added to or taken
    // from the levels) whose origin is (originX, originY). 1 operation above 6; 2 depth not
    // 1, 4, 8; 3 the size outside 1..5 or the origin outside the element; 4 no memory.
    unsigned Morphology(unsigned operation, std::span<const std::uint8_t> element, int width, int height,
                        int originX, int originY);
    unsigned MorphologyStepByStep(unsigned operation, std::span<const std::uint8_t> element, int width,
                                  int height, int originX, int originY, CStepProgress& progress);

protected:
    friend class CModelPreview;  // writes the pixels it computes
    std::uint8_t* Row(std::int32_t y) { return m_pchMapaBits + std::size_t(GetHeight() - 1 - y) * m_bytesPerRow; }
    const std::uint8_t* Row(std::int32_t y) const {
        return m_pchMapaBits + std::size_t(GetHeight() - 1 - y) * m_bytesPerRow;
    }
    // The palette entry of an index, or black for an index beyond the colour table.
    RGBQUAD PaletteColor(std::uint32_t index) const;
    std::uint32_t PaletteEntries() const;  // entries present in the block (0 for direct colour)
    // Grows the colour table of an indexed image so that a remap by table[256] keeps every
    // index inside it (see WithGrownTable for the new entries). False without memory.
    bool CoverRemappedIndices(const std::uint8_t* table);
    // Grows a short colour table of an indexed image to hold every index its pixels use.
    bool CoverIndicesPresent();
    bool IsIndexed() const;                // 1, 4 or 8 bits
    bool HasAccessibleDepth() const;       // 1, 4, 8, 24 or 32 bits

    // An image of the given size with this image's header, colour table and name. Its pixel
    // bytes, padding included, are left for the caller to write.
    CVelora BlankLike(std::int32_t width, std::int32_t height) const;
    // As the constructor without bits gives, except that the pixel bytes, padding included,
    // are left for the caller to write: no pass over memory that is about to be overwritten.
    static CVelora Unfilled(std::int32_t width, std::int32_t height, std::int32_t depth);
    // Replaces every pixel index i of an indexed image by table[i] (256 entries).
    void RemapIndices(const std::uint8_t* table);
    // Applies a table to the chosen colour bytes of every palette entry (indexed images) or
    // of every pixel (24/32 bits; the alpha byte stays).
    void RemapChannels(const std::uint8_t* table, bool red, bool green, bool blue);
    // Grows a short colour table of an indexed image to every level its depth holds (the
    // neighbourhood filters write any of them). False without memory.
    bool TableHoldsEveryLevel();
    // Whether the point operations treat this image through its indices: 4 or 8 bits, gray palette.
    bool IsGrayIndexed() const;
    // A new block of size bytes, zeroed when clear is true; null when no memory could be had.
    static std::unique_ptr<std::uint8_t[]> NewBlock(std::size_t size, bool clear);
    // Takes ownership of a canonical block (header, table, pixels) and points into it.
    void AdoptBlock(std::unique_ptr<std::uint8_t[]> block, std::size_t size);
    void Release();
    // Replaces this image by other, keeping this image's name.
    void ReplaceKeepingName(CVelora&& other);

private:
    bool Create(const std::uint8_t* bits, const RGBQUAD* palette, std::int32_t width, std::int32_t height,
                std::int32_t depth, std::uint32_t tableEntries, bool clearPixels = true);
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

// ---- Repeated previews in a colour model ----
// A dialog previews NonLinearContrast again and again on copies of one image (its backup),
// changing only the function and alpha. This keeps, for that image, what the colour-model
// paths compute from the pixels alone (the conversion into the model, HSI's hue terms, the
// distinct values of a component), so that each call only applies the function and converts
// back. Every call gives the bytes that image.NonLinearContrast gives.
class CModelPreview {
public:
    explicit CModelPreview(const CVelora& source);
    ~CModelPreview();
    CModelPreview(const CModelPreview&) = delete;
    CModelPreview& operator=(const CModelPreview&) = delete;

    // image.NonLinearContrast(colorModel, function, alpha) for an image that holds the
    // source's pixels (as the dialog restores it from its backup). An image of another size
    // or depth, an indexed image, the RGB model and arguments the operation refuses take the
    // plain call. Keeps what one model needs; another model replaces it.
    unsigned NonLinearContrast(CVelora& image, int colorModel, int function, float alpha);

private:
    struct Kept;
    CVelora m_source;
    std::unique_ptr<Kept> m_kept;
};
