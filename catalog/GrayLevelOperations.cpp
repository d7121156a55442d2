// Levels, bit planes and channels: slicing, bit planes, gray bands, false colour, colour to
// gray and colour balance.
#include <algorithm>

#include "Families.h"

namespace velora::catalog {

namespace {

using K = ParamKind;
using C = ResultCode::Check;
using P = DialogFacts::Preview;

constexpr std::string_view kFamily = "GrayLevels";
constexpr std::string_view kNoMemoryForTable = "not enough memory";

Param Level(std::string_view name, double defaultValue, std::string_view label, std::string_view group) {
    return {.name = name, .range = Range{0, 255}, .defaultValue = defaultValue, .label = label, .group = group};
}

// The levels of the image (0..15 for 4 bits) and a third of the span of those present, from
// which the slicing dialog starts.
Range Levels(const CVelora& im) { return Range{0, im.GetBitCount() == 4 ? 15.0 : 255.0}; }
double ThirdOfSpan(const CVelora& im) {
    const int levelMax = int(Levels(im).max);
    InfoHistogram info;
    if (im.GetInfoHistogram(info) != 0) return 0;
    return double(std::max(0, std::min(info.highest[0].level, levelMax) - std::min(info.lowest[0].level, levelMax)) / 3);
}

Param Percent(std::string_view name, std::string_view label) {
    return {.name = name, .range = Range{-100, 100}, .label = label, .tickInterval = 20, .group = "% Color"};
}

}  // namespace

void AddGrayLevelOperations(std::vector<Operation>& all) {
    {
        Operation op{.name = "GrayLevelSlice", .family = kFamily,
                     .summary = "levels in [lo, hi] become inValue; the others outValue or stay"};
        // The defaults are those the dialog gives an image that uses every level.
        op.params = {{.name = "mode", .kind = K::Choice, .range = Range{0, 1}, .label = "Tipo",
                      .choices = {{0, "binary", "Binario"}, {1, "preserve", "Preservar fondo"}}},
                     Level("lo", 85, "Mínimo (A):", "Rango de Valores de Entrada a Destacar"),
                     Level("hi", 170, "Máximo (B):", "Rango de Valores de Entrada a Destacar"),
                     Level("inValue", 42, "Rango (A-B):", "Valores de Salida"),
                     Level("outValue", 170, "Fondo:", "Valores de Salida")};
        for (std::size_t i = 1; i < 5; ++i) op.params[i].imageRange = Levels;
        op.params[1].imageStart = ThirdOfSpan;
        op.params[2].imageStart = [](const CVelora& im) { return 2 * ThirdOfSpan(im); };
        op.params[3].imageStart = [](const CVelora& im) { return double(int(ThirdOfSpan(im)) / 2); };
        op.params[4].imageStart = [](const CVelora& im) { return 2 * ThirdOfSpan(im); };
        op.params[1].notAbove = "hi";
        op.depths = kDepthsNo1;
        op.results = {{1, C::Depth},
                      {2, C::ParamRange, "mode"},
                      {3, C::Other, {}, "lo must not exceed hi, both in 0..255 (0..15 for 4-bit images)"},
                      {4, C::Other, {}, "inValue must lie in 0..255 (0..15 for 4-bit images)"},
                      {5, C::Other, {}, "outValue must lie in 0..255 (0..15 for 4-bit images)"},
                      {6, C::NoMemory, {}, kNoMemoryForTable}};
        op.call = [](CVelora& im, const Args& a) { return im.GrayLevelSlice(a.Int(0), a.Int(1), a.Int(2), a.Int(3), a.Int(4)); };
        op.helpTopic = "CVelora.chm::/Ayuda/GrayLevelSlicing.htm";
        op.commands = {{.id = kCmdGraySlice, .undoLabel = "Fraccionamiento del Nivel de Gris", .timingLabel = "Cálculo Umbralización",
                        .dialog = DialogFacts{.className = "CFraccNivelGrisDlg", .caption = "Fraccionamiento del Nivel de Gris",
                                              .titlePrefix = "Fraccionamiento del Nivel de Gris a ",
                                              .previewBox = P::Unchecked}}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "EraseBitPlanes", .family = kFamily, .summary = "clear the listed bit planes of every pixel value"};
        // The dialog has a box for each of the eight low planes, those the image lacks disabled.
        op.params = {{.name = "planes", .kind = K::IntegerList, .range = Range{0, 23}, .label = "Planos",
                      .choices = {{7, {}, "Plano 7"}, {6, {}, "Plano 6"}, {5, {}, "Plano 5"}, {4, {}, "Plano 4"},
                                  {3, {}, "Plano 3"}, {2, {}, "Plano 2"}, {1, {}, "Plano 1"}, {0, {}, "Plano 0"}},
                      .imageRange = [](const CVelora& im) { return Range{0, im.GetBitCount() == 32 ? 23.0 : im.GetBitCount() - 1.0}; }}};
        op.depths = kDepthsAll6;
        op.results = {{1, C::ParamRange, "planes"}};
        op.call = [](CVelora& im, const Args& a) -> unsigned {
            std::array<int, 24> flags{};
            for (const std::int64_t plane : a.IntList(0)) {
                if (plane < 0 || plane > 23) return 1;
                flags[std::size_t(23 - plane)] = 1;
            }
            return im.EraseBitPlanes(flags);
        };
        op.helpTopic = "CVelora.chm::/Ayuda/BitPlaneErase.htm";
        op.commands = {{.id = kCmdEraseBitPlanes, .undoLabel = "Eliminar Planos de Bits",
                        .timingLabel = "Cálculo Eliminar Planos de Bits",
                        .dialog = DialogFacts{.className = "CPlanosBitsDlg", .caption = "Eliminación de Planos de Bits",
                                              .titlePrefix = "Eliminación de Planos de Bits de ", .previewBox = P::Checked}}};
        all.push_back(std::move(op));
    }
    {
        // The workbench shows every plane at once ("Ver Planos", among the image commands).
        Operation op{.name = "ExtractBitPlane", .family = kFamily,
                     .summary = "a 1-bit image, white where bit p of the pixel value is set"};
        op.params = {{.name = "p", .range = Range{0, 23}, .label = "Plano"}};
        op.depths = kDepthsAll6;
        op.results = {{1, C::Other, {}, "p must be a plane of the image (1 bit: 0; 4: 0..3; 8: 0..7; 16: 0..15; 24, 32: 0..23)"},
                      {2, C::NoMemory, {}, "not enough memory for the result"}};
        op.call = [](CVelora& im, const Args& a) { return im.ExtractBitPlane(a.Int(0)); };
        op.helpTopic = "CVelora.chm::/Ayuda/BitPlanes.htm";
        // "Ver Planos": every plane in a window of its own, saved as they are (nothing to lose).
        op.commands = {{.id = kCmdBitPlanes, .produces = Produces::NewWindow, .timingLabel = "Cálculo Planos de Bits",
                        .failureMessage = "Error. No hay memoria suficiente para calcular los planos de bits",
                        .resultName = "{base} Plano {value}.{ext}",
                        .fanOut = FanOut{"p", [](const CVelora& im) {
                                             std::vector<int> planes(im.GetBitCount() == 32 ? 24 : im.GetBitCount());
                                             for (std::size_t p = 0; p < planes.size(); ++p) planes[p] = int(p);
                                             return planes;
                                         }},
                        .resultsUnmodified = true}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "GrayBands", .family = kFamily, .summary = "reduce a gray image to n bands of equal width"};
        op.params = {{.name = "n", .range = Range{2, 128}, .defaultValue = 24, .label = "Nº de bandas:",
                      .fileKey = "NUMBER OF BANDS OF GRAY LEVELS=", .note = "Nº mínimo:    2\nNº máximo: 128", .arrowsOnly = true}};
        op.depths = kD8 | kD24 | kD32;
        op.results = {{1, C::ParamRange, "n"}, {2, C::Depth}, {3, C::Other, {}, "the image must be gray"},
                      {4, C::NoMemory, {}, kNoMemoryForTable}};
        op.call = [](CVelora& im, const Args& a) { return im.GrayBands(a.Int(0)); };
        op.helpTopic = "CVelora.chm::/Ayuda/ChangeGrayLevelsNumber.htm";
        op.commands = {{.id = kCmdGrayBands, .undoLabel = "Modificación del Nº de Niveles de Gris de la Imagen",
                        .timingLabel = "Cálculo Creación Bandas de Nivel de Gris",
                        .dialog = DialogFacts{.className = "CCambiarNumeroGrises", .caption = "Cambiar nº niveles de gris de la imagen",
                                              .previewBox = P::Unchecked,
                                              .parameterFile = ParameterFileKind{"CfgBandasNivelesGris",
                                                                                 "Salvando Parámetros de Bandas de Niveles de Gris", true}}}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "FalseColor", .family = kFamily, .summary = "dark levels to red, middle ones to green, bright ones to blue"};
        op.depths = kDepthsAll5;
        op.results = {{1, C::Depth}};
        op.call = [](CVelora& im, const Args&) { return im.FalseColor(); };
        op.helpTopic = "CVelora.chm::/Ayuda/FalseColor.htm";
        op.commands = {{.id = kCmdFalseColor, .undoLabel = "Falso Color", .timingLabel = "Transformar a Falso Color"}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "ColorToGray", .family = kFamily, .summary = "gray levels by a weighted sum of R, G, B"};
        op.params = {{.name = "method", .kind = K::Choice, .range = Range{0, 1}, .label = "Método",
                      .choices = {{0, "luminance", "Luminancia YIQ en NTSC", "Y = 0.299 * Rojo + 0.587 * Verde + 0.114 * Azul"},
                                  {1, "mean", "Media", "Y = (Rojo + Verde + Azul) / 3"}}}};
        op.results = {{1, C::Depth}, {2, C::ParamRange, "method"}};
        op.call = [](CVelora& im, const Args& a) { return im.ColorToGray(a.Int(0)); };
        op.helpTopic = "CVelora.chm::/Ayuda/ColorToGray.htm";
        op.commands = {{.id = kCmdGrayScale, .undoLabel = "Transformar a Nivel de Gris", .timingLabel = "Cálculo Color a Gris",
                        .dialog = DialogFacts{.className = "CColorToGrisDlg", .caption = "Color a Gris"}}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "ColorBalance", .family = kFamily, .summary = "add 255*percent/100 to red, green and blue, clamped"};
        op.params = {Percent("red", "Rojo"), Percent("green", "Verde"), Percent("blue", "Azul")};
        op.depths = kDepthsNo1;
        op.results = {{1, C::Other, {}, "red, green and blue must lie in -100..100"}, {2, C::Depth}};
        op.call = [](CVelora& im, const Args& a) { return im.ColorBalance(a.Int(0), a.Int(1), a.Int(2)); };
        op.helpTopic = "CVelora.chm::/Ayuda/Balance.htm";
        op.commands = {{.id = kCmdColorBalance, .undoLabel = "Calibración de Color", .timingLabel = "Cálculo Calibración Color",
                        .dialog = DialogFacts{.className = "CCalibracionColorDlg", .caption = "Equilibrio de Color",
                                              .titlePrefix = "Calibración del Color a ", .resetText = "Restablecer Valores"}}};
        all.push_back(std::move(op));
    }
}

}  // namespace velora::catalog
