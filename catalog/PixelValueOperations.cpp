// Writing pixel values over the whole image: filling the bitmap, the alpha channel of 32-bit
// images, and the change of colour depth.
#include "Families.h"

namespace velora::catalog {

namespace {

using K = ParamKind;
using C = ResultCode::Check;

constexpr std::string_view kAlphaHelp = "CVelora.chm::/Ayuda/SetAlfa.htm";
constexpr std::string_view kFillHelp = "CVelora.chm::/Ayuda/Initialize.htm";

Param Byte(std::string_view name, double defaultValue, std::string_view label) {
    return {.name = name, .range = Range{0, 255}, .defaultValue = defaultValue, .label = label};
}

}  // namespace

void AddPixelValueOperations(std::vector<Operation>& all) {
    {
        // Its dialog sets an index on indexed images and a colour (InitializeRGB) on the others.
        Operation op{.name = "FillIndex", .family = "Intensity",
                     .summary = "every pixel gets one raw value: an index, or 0x00RRGGBB (alpha kept)"};
        op.params = {{.name = "value", .range = Range{0, 0xFFFFFF}, .label = "Valor"}};
        op.results = {{1, C::Depth}, {2, C::Other, {}, "value must be an index of the colour table"}};
        op.call = [](CVelora& im, const Args& a) { return im.FillIndex(std::uint32_t(a.Int(0))); };
        op.helpTopic = kFillHelp;
        op.commands = {{.id = kCmdFillBitmap, .undoLabel = "Fijar Valores del Mapa de Bits",
                        .timingLabel = "Cálculo Fijar Valores del Mapa de Bits",
                        .dialog = DialogFacts{.className = "CFijarValoresBitmapDlg", .caption = "Fijar Valores del Mapa de Bits"}}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "InitializeRGB", .family = "Intensity",
                     .summary = "every pixel gets the colour (indexed images: every entry in use does)"};
        op.params = {Byte("red", 128, "R:"), Byte("green", 128, "G:"), Byte("blue", 128, "B:")};
        op.results = {{1, C::Depth}};
        op.call = [](CVelora& im, const Args& a) {
            return im.InitializeRGB(RGBQUAD{std::uint8_t(a.Int(2)), std::uint8_t(a.Int(1)), std::uint8_t(a.Int(0)), 0});
        };
        op.helpTopic = kFillHelp;
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "SetAlfa", .family = "Intensity", .summary = "the alpha byte of every pixel (32 bits)"};
        op.params = {Byte("value", 0, "Fijar a un valor (0..255)")};
        op.depths = kD32;
        op.results = {{1, C::Depth}};
        op.call = [](CVelora& im, const Args& a) { return im.SetAlfa(std::uint8_t(a.Int(0))); };
        op.helpTopic = kAlphaHelp;
        all.push_back(std::move(op));
    }
    {
        // The alpha-channel dialog's six choices in one step: SetAlfa, AlphaOperation or the
        // change to 24 bits.
        Operation op{.name = "AlphaChannel", .family = "Intensity",
                     .summary = "the alpha channel: 0, 255, inverted, (R+G+B)/3, a value, or removed (32 -> 24 bits)"};
        op.params = {{.name = "what", .kind = K::Choice, .range = Range{0, 5},
                      .choices = {{0, "transparent", "  0   -> Máxima transparencia"},
                                  {1, "opaque", "255 -> Máxima opacidad"},
                                  {2, "invert", "Invertir"},
                                  {3, "mean", "(R+G+B)/3"},
                                  {4, "value", "Fijar a un valor (0..255)"},
                                  {5, "remove", "Eliminar Canal Alfa (biBitCount: 32 -> 24)"}}},
                     {.name = "value", .range = Range{0, 255}, .enabledWhen = EnabledWhen{"what", {4}}, .arrowsOnly = true}};
        op.depths = kD32;
        op.results = {{1, C::Depth}, {2, C::ParamRange, "what"}, {3, C::ParamRange, "value"},
                      {4, C::NoMemory, {}, "not enough memory for the 24-bit image"}};
        op.call = [](CVelora& im, const Args& a) -> unsigned {
            if (im.GetBitCount() != 32) return 1;
            const int what = a.Int(0), value = a.Int(1);
            if (what < 0 || what > 5) return 2;
            if (value < 0 || value > 255) return 3;
            switch (what) {
                case 0: return im.SetAlfa(0);
                case 1: return im.SetAlfa(255);
                case 2: return im.AlphaOperation(2);
                case 3: return im.AlphaOperation(3);
                case 4: return im.SetAlfa(std::uint8_t(value));
                default: return im.ChangeColorDepth(3) == 0 ? 0 : 4;
            }
        };
        op.helpTopic = kAlphaHelp;
        op.commands = {{.id = kCmdAlpha, .undoLabel = "Modificar valor CANAL ALFA", .timingLabel = "Cálculo modificación CANAL ALFA",
                        .dialog = DialogFacts{.className = "CCanalAlfaDlg", .caption = "Edición del Canal Alfa"}}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "AlphaOperation", .family = "Intensity",
                     .summary = "alpha from itself or the colour: 2 = 255 - alpha, 3 = (R + G + B) / 3"};
        op.params = {{.name = "mode", .kind = K::Choice, .range = Range{2, 3}, .defaultValue = 2,
                      .choices = {{2, "invert", "Invertir"}, {3, "mean", "(R+G+B)/3"}}}};
        op.depths = kD32;
        op.results = {{1, C::Depth}, {2, C::ParamRange, "mode"}};
        op.call = [](CVelora& im, const Args& a) { return im.AlphaOperation(a.Int(0)); };
        op.helpTopic = kAlphaHelp;
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "ChangeColorDepth", .family = "Intensity", .summary = "convert to another number of bits per pixel"};
        op.params = {{.name = "code", .kind = K::Choice, .range = Range{0, 4}, .defaultValue = 3, .label = "Nueva profundidad",
                      .choices = {{0, "1bit", "2 colores ( 1 bit/píxel)"},
                                  {1, "4bits", "16 colores ( 4 bits/píxel)"},
                                  {2, "8bits", "256 colores ( 8 bits/píxel)"},
                                  {3, "24bits", "16 M. colores ( 24 bits/píxel)"},
                                  {4, "32bits", "16 M. colores ( 32 bits/píxel)"}}}};
        op.results = {{1, C::Depth}, {2, C::ParamRange, "code"}, {3, C::Other, {}, "a colour image cannot become 4 or 8 bits"},
                      {4, C::NoMemory}};
        op.call = [](CVelora& im, const Args& a) { return im.ChangeColorDepth(a.Int(0)); };
        op.helpTopic = "CVelora.chm::/Ayuda/ChangeColorDepth.htm";
        op.commands = {{.id = kCmdColorDepth, .undoLabel = "Cambiar Profundidad de Color", .timingLabel = "Cálculo Nueva Prof.Color",
                        .dialog = DialogFacts{.className = "CCambiarProfundidadColor",
                                              .caption = "Cambiar la Profundidad de Píxel de la Imagen",
                                              .titlePrefix = "Cambiar la Profundidad de Color a "}}};
        all.push_back(std::move(op));
    }
}

}  // namespace velora::catalog
