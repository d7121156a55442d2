// The scotoma: a band of the visual field blanked out around a fixation point. The keys are
// those of the scotoma parameter file that the batch generator reads.
#include "Families.h"

namespace velora::catalog {

void AddScotomaOperations(std::vector<Operation>& all) {
    using K = ParamKind;
    using C = ResultCode::Check;
    Operation op{.name = "Scotoma", .family = "Scotoma",
                 .summary = "blank a band around the centre, the sides pushed out (mode 0) or squeezed (mode 1)"};
    op.params = {{.name = "type", .kind = K::Choice, .range = Range{0, 1}, .label = "Tipo",
                  .choices = {{0, "horizontal", "Horizontal"}, {1, "vertical", "Vertical"}}, .fileKey = "TYPE SCOTOMA="},
                 {.name = "centreColumn", .label = "Centro en ", .fileKey = "CENTER OF ALPHA IN COLUMNS="},
                 {.name = "centreRow", .label = "Centro en Fila", .fileKey = "CENTER OF BETA IN ROWS="},
                 {.name = "a", .label = "Izqda", .fileKey = "LEFT WIDTH OF ALPHA IN PIXELS="},
                 {.name = "b", .label = "Drcha", .fileKey = "RIGHT WIDTH OF ALPHA IN PIXELS="},
                 {.name = "c", .fileKey = "LOW WIDTH OF BETA IN PIXELS="},
                 {.name = "e", .fileKey = "TOP WIDTH OF BETA IN PIXELS="},
                 {.name = "mode", .kind = K::Choice, .range = Range{0, 1}, .label = "Sin pérdida campo visual",
                  .choices = {{0, "withLoss", "WITH LOSS OF VISUAL FIELD"}, {1, "withoutLoss", "WITHOUT LOSS OF VISUAL FIELD"}}},
                 {.name = "fillWithImage", .kind = K::Choice, .range = Range{0, 1}, .label = "Interior Escotoma",
                  .choices = {{0, "colour", "Color"}, {1, "image", "Rellenar con Imagen"}}},
                 {.name = "fill", .kind = K::Colour, .label = "Color"}};
    op.depths = kDepthsAll6;
    op.results = {{1, C::ParamRange, "type"},
                  {2, C::Other, {}, "the band must fit the image around the centre"},
                  {3, C::ParamRange, "mode"},
                  {4, C::ParamRange, "fillWithImage"},
                  {5, C::Depth},
                  {6, C::NoMemory, {}, "not enough memory"}};
    op.call = [](CVelora& im, const Args& a) {
        return im.Scotoma(unsigned(a.Int(0)), unsigned(a.Int(1)), unsigned(a.Int(2)), unsigned(a.Int(3)),
                          unsigned(a.Int(4)), unsigned(a.Int(5)), unsigned(a.Int(6)), unsigned(a.Int(7)),
                          unsigned(a.Int(8)), a.Colour(9));
    };
    all.push_back(std::move(op));
}

}  // namespace velora::catalog
