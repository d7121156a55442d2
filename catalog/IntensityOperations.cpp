// Point operations, contrast and equalization.
#include <algorithm>

#include "Families.h"

namespace velora::catalog {

namespace {

using K = ParamKind;
using C = ResultCode::Check;
using P = DialogFacts::Preview;

// The channel switches of the negative and of linear contrast.
std::vector<Param> ChannelFlags(int luminanceDefault) {
    return {
        {.name = "luminance", .kind = K::Flag, .defaultValue = double(luminanceDefault), .label = "Luminancia", .group = "Aplicar a"},
        {.name = "red", .kind = K::Flag, .label = "Rojo", .group = "Aplicar a"},
        {.name = "green", .kind = K::Flag, .label = "Verde", .group = "Aplicar a"},
        {.name = "blue", .kind = K::Flag, .label = "Azul", .group = "Aplicar a"},
    };
}

Param ActiveModel() {
    return {.name = "colorModel", .kind = K::Choice, .range = Range{0, kColorModelCount - 1}, .label = "Modelo de color",
            .choices = ColorModelChoices(), .source = ParamSource::ActiveColorModel};
}

Param Level(std::string_view name, double defaultValue, std::string_view label, std::string_view group) {
    return {.name = name, .range = Range{0, 255}, .defaultValue = defaultValue, .label = label, .group = group};
}

// The levels of the image: 0..15 for 4 bits, 0..255 otherwise; and those present in it.
int LevelMax(const CVelora& im) { return im.GetBitCount() >= 8 ? 255 : 15; }
Range LevelsPresent(const CVelora& im) {
    InfoHistogram info;
    int lowest = 0, highest = 255;
    if (im.GetInfoHistogram(info) == 0) {
        lowest = info.lowest[0].level;
        highest = info.highest[0].level;
    }
    highest = std::min(highest, LevelMax(im));
    return Range{double(std::min(lowest, highest)), double(highest)};
}

}  // namespace

void AddIntensityOperations(std::vector<Operation>& all) {
    {
        Operation op{.name = "Negative", .family = "Intensity",
                     .summary = "complement the luminance and/or single channels"};
        op.params = ChannelFlags(0);
        op.depths = kDepthsAll5;
        op.results = {{1, C::Depth}};
        op.call = [](CVelora& im, const Args& a) { return im.Negative(a.Int(0), a.Int(1), a.Int(2), a.Int(3)); };
        op.helpTopic = "CVelora.chm::/Ayuda/Negative.htm";
        op.commands = {{.id = kCmdNegative, .undoLabel = "Negativo", .timingLabel = "Cálculo Negativo",
                        .dialog = DialogFacts{.className = "CNegativoDlg", .caption = "Negativo de una Imagen",
                                              .titlePrefix = "Negativo de "}}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "Brightness", .family = "Intensity", .summary = "add L*percent/100 to every level"};
        op.params = {{.name = "percent", .range = Range{-100, 100}, .label = "% Brillo",
                      .fileKey = "% INCREMENTO BRILLO=", .tickInterval = 20}};
        op.depths = kDepthsNo1;
        op.results = {{1, C::ParamRange, "percent"}, {2, C::Depth}};
        op.call = [](CVelora& im, const Args& a) { return im.Brightness(a.Int(0)); };
        op.helpTopic = "CVelora.chm::/Ayuda/Brightness.htm";
        op.commands = {{.id = kCmdBrightness, .undoLabel = "Modificar Brillo", .timingLabel = "Cálculo Modific. Brillo",
                        .dialog = DialogFacts{.className = "CBrilloDlg", .caption = "Modificación del Brillo de una Imagen",
                                              .titlePrefix = "Modificación del Brillo a ",
                                              .parameterFile = ParameterFileKind{"CfgBrillo", "Salvando Parámetros de Brillo", true}}}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "Gamma", .family = "Intensity", .summary = "f(x) = L * (x / L)^(1/gamma), truncated"};
        op.params = {{.name = "gamma", .kind = K::Decimal, .defaultValue = 1, .label = "Gamma:", .step = 0.05,
                      .note = "f(x) = L * ((x / L) ^ 1/Gamma)\nL = Nº de niveles - 1\noscurece si Gamma < 1\nilumina    si Gamma > 1"}};
        op.depths = kDepthsNo1;
        op.results = {{1, C::Other, {}, "gamma must be 0 or more"}, {2, C::Depth}};
        op.call = [](CVelora& im, const Args& a) { return im.Gamma(a.Float(0)); };
        op.helpTopic = "CVelora.chm::/Ayuda/Gamma.htm";
        op.commands = {{.id = kCmdGamma, .undoLabel = "Corrección Gamma", .timingLabel = "Cálculo Transformación Gamma",
                        .dialog = DialogFacts{.className = "CGammaDlg", .caption = "Corrección Gamma", .previewBox = P::Checked}}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "LinearContrast", .family = "Intensity",
                     .summary = "map [inMin, inMax] linearly onto [outMin, outMax]"};
        // The dialog stretches the levels present onto the whole range.
        op.params = {Level("inMin", 0, "Nivel Mínimo:", "Rango de Entrada"), Level("inMax", 255, "Nivel Máximo:", "Rango de Entrada"),
                     Level("outMin", 0, "Nivel Mínimo:", "Rango de Salida"), Level("outMax", 255, "Nivel Máximo:", "Rango de Salida")};
        op.params[0].imageRange = op.params[1].imageRange = LevelsPresent;
        op.params[0].imageStart = [](const CVelora& im) { return LevelsPresent(im).min; };
        op.params[1].imageStart = [](const CVelora& im) { return LevelsPresent(im).max; };
        op.params[2].imageRange = op.params[3].imageRange = [](const CVelora& im) { return Range{0, double(LevelMax(im))}; };
        op.params[3].imageStart = [](const CVelora& im) { return double(LevelMax(im)); };
        op.params[0].notAbove = "inMax";
        op.params[2].notAbove = "outMax";
        for (Param& p : ChannelFlags(1)) op.params.push_back(p);
        op.depths = kDepthsNo1;
        op.results = {{1, C::Depth},
                      {2, C::Other, {}, "inMin must not exceed inMax"},
                      {3, C::Other, {}, "outMin must not exceed outMax"},
                      {4, C::Other, {}, "levels must lie in 0..255 (0..15 for 4-bit gray images)"}};
        op.call = [](CVelora& im, const Args& a) {
            return im.LinearContrast(a.Int(0), a.Int(1), a.Int(2), a.Int(3), a.Int(4), a.Int(5), a.Int(6), a.Int(7));
        };
        op.helpTopic = "CVelora.chm::/Ayuda/GrayScaleLinealTransform.htm";
        op.commands = {{.id = kCmdLinearContrast, .undoLabel = "Contraste por Transformación Lineal",
                        .timingLabel = "Cálculo Transf. Lineal",
                        .dialog = DialogFacts{.className = "CContrasteTransfLinealDlg",
                                              .caption = "Aumento del Contraste aplicando una Transf. Lineal",
                                              .titlePrefix = "Aumento del Contraste aplicando una Transf. Lineal a ",
                                              .previewBox = P::Unchecked}}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "NonLinearContrast", .family = "Intensity",
                     .summary = "a non-linear transfer function in the colour model; alpha shapes the sigmoids"};
        op.params = {ActiveModel(),
                     {.name = "function", .kind = K::Choice, .range = Range{0, 6}, .label = "Tipo de Función a Aplicar",
                      .choices = {{0, "square", "Cuadrada"},
                                  {1, "cube", "Cúbica"},
                                  {2, "squareRoot", "Raíz Cuadrada"},
                                  {3, "cubeRoot", "Raíz Cúbica"},
                                  {4, "logarithm", "Logarítmica"},
                                  {5, "sineSigmoid", "Sigmoide Senoidal"},
                                  {6, "tangentSigmoid", "Sigmoide Tangencial"}}},
                     {.name = "alpha", .kind = K::Decimal, .range = Range{0, 1}, .defaultValue = 0.5, .label = "Alfa:", .step = 0.05,
                      .enabledWhen = EnabledWhen{"function", {5, 6}}, .note = "0,0 ... 1,0"}};
        op.depths = kDepthsNo1;
        op.rgbModelOnly = false;  // it works in the active model
        op.results = {{1, C::Depth}, {2, C::ParamRange, "alpha"}, {3, C::ParamRange, "function"}, {4, C::ParamRange, "colorModel"},
                      {5, C::NoMemory, {}, "not enough memory"}};
        op.call = [](CVelora& im, const Args& a) { return im.NonLinearContrast(a.Int(0), a.Int(1), a.Float(2)); };
        op.stepByStep = [](CVelora& im, const Args& a, CStepProgress& progress) {
            return im.NonLinearContrastStepByStep(a.Int(1), a.Float(2), progress);
        };
        op.helpTopic = "CVelora.chm::/Ayuda/NonLinearContrast.htm";
        op.commands = {{.id = kCmdNonLinear, .undoLabel = "Modificar Contraste", .timingLabel = "Cálculo Modific. Contraste",
                        .dialog = DialogFacts{.className = "CContrasteDlg", .caption = "Modificación del Contraste de una Imagen",
                                              .titlePrefix = "Modificación del Contraste a ", .previewBox = P::Unchecked,
                                              .progressText = "Modificación del Contraste con Funciones No Lineales"}}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "Equalize", .family = "Intensity", .summary = "histogram equalization in the colour model"};
        op.params = {ActiveModel(),
                     {.name = "rounding", .kind = K::Choice, .range = Range{0, 2}, .label = "Redondeo",
                      .choices = {{0, "classic", "Redondeo Clásico"}, {1, "truncation", "Truncamiento"}, {2, "upwards", "Por Exceso"}}}};
        op.depths = kDepthsAll5;
        op.rgbModelOnly = false;
        op.results = {{1, C::Depth}, {2, C::ParamRange, "colorModel"}, {3, C::Other, {}, "rounding must lie in 0..2 (RGB model)"},
                      {4, C::NoMemory, {}, "not enough memory"}};
        op.call = [](CVelora& im, const Args& a) { return im.Equalize(a.Int(0), a.Int(1)); };
        op.helpTopic = "CVelora.chm::/Ayuda/GetHistogram.htm";
        op.commands = {{.id = kCmdEqualize, .produces = Produces::NewWindow, .timingLabel = "Ecualizar Histograma {model}",
                        .presets = {{"rounding", 0}},
                        .failureMessage = "Error. No se puede ecualizar el histograma de esta imagen",
                        .resultName = "Ecualización {model} de {image}"}};
        all.push_back(std::move(op));
    }
}

}  // namespace velora::catalog
