#include "StatusReadout.h"

#include <cstdio>

namespace {

const char* const kModelNames[] = {"RGB", "CMYK", "HSI", "HSV", "HSL", "YIQ", "YUV", "YCbCr", "CIE XYZ", "CIE LAB", "CIE LUV"};

template <typename... T>
std::string Format(const char* format, T... values) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, values...);
    return buffer;
}

}  // namespace

const char* ColorModelName(int model) {
    return model >= 0 && model < int(std::size(kModelNames)) ? kModelNames[model] : "?";
}

std::string PixelReadout(const CVelora& image, int x, int y, int colorModel, bool isGray) {
    if (!image.IsValidPoint(x, y)) return " ";
    const std::string name = image.GetNameWithoutExtension() + "." + image.GetExtension();
    std::string text = Format("MC Activo: %s  ", ColorModelName(colorModel));
    text += Format(isGray ? "  %s   %u niveles de gris  " : "  %s   %u colores  ", name.c_str(),
                   image.GetMaxColors());
    text += Format("%dx%d píxeles  (X:%d,Y:%d)= ", image.GetWidth(), image.GetHeight(), x, y);
    RGBQUAD c{};
    image.GetRGBPixel(x, y, c);
    switch (image.GetBitCount()) {
        case 24: text += Format("RGB(%d,%d,%d) ", c.rgbRed, c.rgbGreen, c.rgbBlue); break;
        case 32: text += Format("RGBA(%d,%d,%d,%d) ", c.rgbRed, c.rgbGreen, c.rgbBlue, image.GetAlfa(x, y)); break;
        case 1:
        case 4:
        case 8:
            text += Format("%u   RGB= (%d,%d,%d) ", image.GetPixel(x, y), c.rgbRed, c.rgbGreen, c.rgbBlue);
            break;
        default: break;  // 16-bit images have no pixel accessors
    }
    return text;
}
