// Warps (ellipse, ripple, swirl, shear) and interlacing.
#include <algorithm>
#include <tuple>

#include "Families.h"

namespace velora::catalog {

namespace {
using K = ParamKind;
using C = ResultCode::Check;
using Preview = DialogFacts::Preview;
constexpr std::string_view kNoMemory = "no memory for the result";

// The background starts as the first entry of the image's colour table, where it has one.
double FirstTableColour(const CVelora& im) {
    if (im.GetBitCount() > 8 || !im.GetPaletteData()) return 0;
    const RGBQUAD e = im.GetPaletteData()[0];
    return double(std::uint32_t(e.rgbRed) | std::uint32_t(e.rgbGreen) << 8 | std::uint32_t(e.rgbBlue) << 16);
}

Param Background() {
    return {.name = "background", .kind = ParamKind::Colour, .label = "Color Fondo", .imageStart = FirstTableColour};
}
}  // namespace

void AddWarpOperations(std::vector<Operation>& all) {
    {
        Operation op{.name = "Ellipse", .family = "Warps", .summary = "squeeze the picture into its inscribed ellipse"};
        op.depths = kDepthsAll5;
        op.results = {{1, C::Depth}, {2, C::NoMemory, {}, kNoMemory}};
        op.call = [](CVelora& im, const Args&) { return im.Ellipse(); };
        op.helpTopic = "CVelora.chm::/Ayuda/Ellipse.htm";
        op.commands = {{.id = kCmdEllipse, .undoLabel = "Efecto Elipse", .timingLabel = "Cálculo Efecto Elipse",
                        .failureMessage = "Error. Efecto Elipse no posible"}};
        all.push_back(std::move(op));
    }
    {
        // The dialog bounds the amplitude by the image's height and the divisor by its width.
        Operation op{.name = "Ripple", .family = "Warps", .summary = "shift each column by a sine of its position"};
        op.params = {{.name = "amplitude", .defaultValue = 25, .label = "Amplitud", .tickInterval = -10,
                      .imageRange = [](const CVelora& im) { return Range{0, double(im.GetHeight())}; }, .showMaximum = true},
                     {.name = "divisor", .defaultValue = 30, .label = "Divisor", .tickInterval = -10,
                      .imageRange = [](const CVelora& im) { return Range{1, double(std::max(1, im.GetWidth()))}; },
                      .showMaximum = true},
                     {.name = "startZone", .kind = K::Choice, .range = Range{0, 1}, .label = "Zona inicio aplicación",
                      .choices = {{0, "first", "1ª fila", "x = i;\ny = j + Amplitud * (sen(x / Divisor) + 1)"},
                                  {1, "last", "Última fila", "x = i;\ny = Nº Filas - 1 - j - Amplitud*(sen(x / Divisor) + 1)"}},
                      .notePlace = NotePlace::OfChosen},
                     Background()};
        op.depths = kDepthsAll5;
        op.results = {{1, C::ParamRange, "startZone"}, {2, C::Depth}, {3, C::Other, {}, "divisor must not be 0"},
                      {4, C::NoMemory, {}, kNoMemory}};
        op.call = [](CVelora& im, const Args& a) { return im.Ripple(a.Int(0), a.Int(1), a.Int(2), a.Colour(3)); };
        op.helpTopic = "CVelora.chm::/Ayuda/Undulation.htm";
        op.commands = {{.id = kCmdRipple, .undoLabel = "Ondulación", .timingLabel = "Cálculo Ondulación",
                        .dialog = DialogFacts{.className = "COndulacionDlg", .caption = "Ondulación",
                                              .titlePrefix = "Ondulación de ", .previewBox = Preview::Unchecked}}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "Swirl", .family = "Warps", .summary = "turn the pixels near the centre, more towards it"};
        op.params = {{.name = "angle", .kind = K::Decimal, .defaultValue = 125, .label = "Ángulo",
                      .controlRange = Range{0, 720}, .tickInterval = 72},
                     {.name = "radius", .defaultValue = 100, .label = "Radio", .tickInterval = -10,
                      .imageRange = [](const CVelora& im) { return Range{1, double(std::max(1, im.GetWidth()))}; }}};
        op.depths = kDepthsAll5;
        op.results = {{1, C::Depth}, {2, C::Other, {}, "angle must be a finite number"}, {3, C::NoMemory, {}, kNoMemory}};
        op.call = [](CVelora& im, const Args& a) { return im.Swirl(a.Double(0), a.Int(1)); };
        op.helpTopic = "CVelora.chm::/Ayuda/Spiral.htm";
        op.commands = {{.id = kCmdSwirl, .undoLabel = "Espiral", .timingLabel = "Cálculo Espiral",
                        .dialog = DialogFacts{.className = "CRemolinoDlg", .caption = "Efecto Espiral",
                                              .titlePrefix = "Espiral/Remolino de ", .previewBox = Preview::Unchecked}}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "Shear", .family = "Warps", .summary = "move one or two corners of the picture"};
        op.params = {{.name = "type", .kind = K::Choice, .range = Range{0, 9},
                      .choices = {{0, "bottomLeftRight", "Vértice II hacia Derecha", "x = i + Porcentaje * j\ny = j"},
                                  {1, "bottomRightLeft", "Vértice ID hacia Izquierda", "x = i - Porcentaje * j;\ny = j"},
                                  {2, "topRightDown", "Vértice SD hacia Abajo", "x = i\ny = j + Porcentaje * i"},
                                  {3, "topRightUp", "Vértice SD hacia Arriba", "x = i\ny = j - Porcentaje * i"},
                                  {4, "bottomRightUpLeft", "Vértice ID hacia Arriba e Izquierda", "x = i - Porcentaje * j\ny = j - Porcentaje * i"},
                                  {5, "bottomUp", "Vértices II e ID hacia Arriba", "x = i\ny = j - Porcentaje * j"},
                                  {6, "bottomUpLeft", "Vértices II e ID hacia Arriba e Izquierda", "x = i - Porcentaje * j\ny = j - Porcentaje * j"},
                                  {7, "rightLeft", "Vértices SD e ID hacia Izquierda", "x = i - Porcentaje * i\ny = j"},
                                  {8, "rightUpLeft", "Vértices SD e ID hacia Arriba e Izquierda", "x = i - Porcentaje * i\ny = j - Porcentaje * i"},
                                  {9, "bottomLeftRightTopRightDown", "Vértice II hacia Derecha y Vértice SD hacia Abajo", "x = i + Porcentaje * j\ny = j + Porcentaje * i"}},
                      .notePlace = NotePlace::OfChosen},
                     {.name = "percent", .kind = K::Decimal, .range = Range{0, 100}, .defaultValue = 10,
                      .label = "Porcentaje de Inclinación", .tickInterval = 10},
                     Background()};
        op.depths = kDepthsAll5;
        op.results = {{1, C::Depth}, {2, C::ParamRange, "type"}, {3, C::ParamRange, "percent"}, {4, C::NoMemory, {}, kNoMemory}};
        op.call = [](CVelora& im, const Args& a) { return im.Shear(a.Int(0), a.Double(1), a.Colour(2)); };
        op.helpTopic = "CVelora.chm::/Ayuda/Inclination.htm";
        op.commands = {{.id = kCmdShear, .undoLabel = "Inclinación", .timingLabel = "Cálculo Inclinación de la Imagen",
                        .dialog = DialogFacts{.className = "CInclinacionDlg", .caption = "Inclinar la Imagen",
                                              .previewBox = Preview::Unchecked, .note = "SI ─── SD\n│          │\nII ─── ID"}}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "Interlace", .family = "Warps", .summary = "rows or columns of two images in turn"};
        op.params = {{.name = "kind", .kind = K::Choice, .range = Range{0, 1}, .label = "Tipo entrelazado",
                      .choices = {{0, "rows", "Horizontal"}, {1, "columns", "Vertical"}}},
                     {.name = "imageA", .kind = K::Image, .label = "Imagen A"},
                     {.name = "imageB", .kind = K::Image, .label = "Imagen B"}};
        op.depths = kDepthsAll5;
        op.results = {{1, C::ParamRange, "kind"},
                      {2, C::Other, {}, "an image is missing"},
                      {3, C::Depth},
                      {4, C::Other, {}, "the two images have different depths"},
                      {5, C::Other, {}, "interlacing rows needs images of the same width"},
                      {6, C::Other, {}, "interlacing columns needs images of the same height"},
                      {7, C::NoMemory, {}, "the result would exceed 1 GiB of pixels, or no memory"}};
        op.call = [](CVelora& im, const Args& a) {
            const auto image = [&](std::size_t i) { return std::get<std::shared_ptr<const CVelora>>(a.Values().at(i)).get(); };
            return im.Interlace(a.Int(0), image(1), image(2));
        };
        op.helpTopic = "CVelora.chm::Ayuda/Interlace.htm";
        // The dialog stays open: each "Entrelazar" opens a window, and a pair that does not fit is said so.
        op.commands = {{.id = kCmdInterlace, .produces = Produces::NewWindow,
                        .timingLabel = "Entrelazar las 2 imágenes seleccionadas",
                        .dialog = DialogFacts{.className = "CEntrelazarDlg", .caption = "Entrelazar Imágenes",
                                              .acceptText = "Entrelazar", .rejectText = "Salir"},
                        .refusalMessages = {{2, "Error. Elija las dos imágenes"},
                                            {4, "Error. Las imágenes tienen distinta profundidad de color"},
                                            {5, "Error. Las imágenes tienen distinto nº de columnas"},
                                            {6, "Error. Las imágenes tienen distinto nº de filas"}},
                        .resultName = "Entrelazado de Imágenes.bmp"}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "Deinterlace", .family = "Warps", .summary = "keep the even or the odd rows or columns"};
        op.params = {{.name = "kind", .kind = K::Choice, .range = Range{0, 1},
                      .choices = {{0, "rows", "Horizontal"}, {1, "columns", "Vertical"}}},
                     {.name = "parity", .kind = K::Choice, .range = Range{1, 2}, .defaultValue = 1,
                      .choices = {{1, "even", "Pares"}, {2, "odd", "Impares"}}}};
        op.depths = kDepthsAll5;
        op.results = {{1, C::Depth},
                      {2, C::ParamRange, "kind"},
                      {3, C::ParamRange, "parity"},
                      {4, C::Other, {}, "nothing would be left: a single row or column has no odd one"},
                      {5, C::NoMemory}};
        op.call = [](CVelora& im, const Args& a) { return im.Deinterlace(a.Int(0), a.Int(1)); };
        op.helpTopic = "CVelora.chm::/Ayuda/Deinterlace.htm";
        // Both halves, each in a window; a single row or column has only the even one.
        const auto parities = [](int kind) {
            return FanOut{"parity", [kind](const CVelora& im) {
                              return (kind == 0 ? im.GetHeight() : im.GetWidth()) > 1 ? std::vector{1, 2} : std::vector{1};
                          }};
        };
        for (const auto& [id, kind, what] : {std::tuple{kCmdDeinterlaceRows, 0, "Filas"}, std::tuple{kCmdDeinterlaceColumns, 1, "Columnas"}})
            op.commands.push_back({.id = id, .produces = Produces::NewWindow, .timingLabel = "´Desentrelazado de la Imagen ",
                                   .presets = {{"kind", kind}},
                                   .resultName = kind == 0 ? "Filas {choice}-Desentrelazado de {image}"
                                                           : "Columnas {choice}-Desentrelazado de {image}",
                                   .fanOut = parities(kind)});
        all.push_back(std::move(op));
    }
}

}  // namespace velora::catalog
