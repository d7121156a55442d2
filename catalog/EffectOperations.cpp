// Picture effects: mosaic and hoover.
#include <algorithm>

#include "Families.h"

namespace velora::catalog {

namespace {
using K = ParamKind;
using C = ResultCode::Check;
using Preview = DialogFacts::Preview;
}  // namespace

void AddEffectOperations(std::vector<Operation>& all) {
    {
        // The dialog makes the blocks square.
        Operation op{.name = "Mosaic", .family = "Effects", .summary = "replace blocks by the mean of their raw values"};
        const auto blocks = [](const CVelora& im) {
            return Range{1, double(std::max(1, std::min(im.GetHeight() / 2, im.GetWidth() / 2)))};
        };
        op.params = {{.name = "blockHeight", .defaultValue = 1, .label = "Tamaño del Bloque", .tickInterval = -8,
                      .imageRange = blocks},
                     {.name = "blockWidth", .defaultValue = 1, .label = "Tamaño del Bloque", .sameAs = "blockHeight"}};
        op.depths = kDepthsAll5;
        op.results = {{1, C::Other, {}, "blocks must be 1 to height / 2 rows high and 1 to width / 2 columns wide"},
                      {2, C::Depth},
                      {3, C::NoMemory}};
        op.call = [](CVelora& im, const Args& a) { return im.Mosaic(a.Int(0), a.Int(1)); };
        op.helpTopic = "CVelora.chm::/Ayuda/Mosaic.htm";
        op.commands = {{.id = kCmdMosaic, .undoLabel = "Efecto Mosaico", .timingLabel = "Cálculo Efecto Mosaico",
                        .dialog = DialogFacts{.className = "CMosaicDlg", .caption = "Aplicación del Efecto Mosaico a la Imagen",
                                              .titlePrefix = "Efecto Mosaico a "}}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "Hoover", .family = "Effects", .summary = "scatter pixels along random rays from a point"};
        op.params = {{.name = "direction", .kind = K::Choice, .range = Range{0, 1}, .label = "Dirección de la Transformación",
                      .choices = {{0, "inward", "Hacia Dentro"}, {1, "outward", "Hacia Fuera"}}},
                     {.name = "column", .label = "Columna", .group = "Coordenada Punto de Inicio"},
                     {.name = "row", .label = "Fila", .group = "Coordenada Punto de Inicio"},
                     {.name = "iterations", .range = Range{1, CVelora::kMaxHooverIterations}, .defaultValue = 150,
                      .label = "Nº de iteraciones del algoritmo"}};
        op.depths = kDepthsAll5;
        op.results = {{1, C::ParamRange, "direction"},
                      {2, C::Other, {}, "the start point must lie inside the image"},
                      {3, C::Other, {}, "iterations must be at least 1"},
                      {4, C::Depth},
                      {5, C::NoMemory},
                      {6, C::Other, {}, "iterations must be at most 10000 (50,000 rays each)"}};
        op.call = [](CVelora& im, const Args& a) { return im.Hoover(a.Int(0), a.Int(1), a.Int(2), a.Int(3)); };
        op.drawsRandomNumbers = true;
        op.helpTopic = "CVelora.chm::/Ayuda/Hoover.htm";
        op.commands = {{.id = kCmdHoover, .undoLabel = "Efecto Hoover", .timingLabel = "Cálculo Efecto Hoover",
                        .dialog = DialogFacts{.className = "CHooverDlg", .caption = "Aplicación del Efecto Hoover a la Imagen",
                                              .titlePrefix = "Efecto Hoover a ", .previewBox = Preview::Unchecked}}};
        all.push_back(std::move(op));
    }
}

}  // namespace velora::catalog
