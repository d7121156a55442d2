// Flips and scaling.
#include "Families.h"

namespace velora::catalog {

namespace {
using K = ParamKind;
using C = ResultCode::Check;
}  // namespace

void AddGeometryOperations(std::vector<Operation>& all) {
    {
        Operation op{.name = "Flip", .family = "Geometry", .summary = "mirror left-right or upside down"};
        op.params = {{.name = "mode", .kind = K::Choice, .range = Range{0, 1},
                      .choices = {{0, "horizontal", "Horizontal (Espejo)"}, {1, "vertical", "Vertical"}}}};
        op.depths = kDepthsAll6;
        op.results = {{1, C::ParamRange, "mode"}, {2, C::Depth}};
        op.call = [](CVelora& im, const Args& a) { return im.Flip(a.Int(0)); };
        constexpr std::string_view kCannotFlip = "Error. Imposible voltear. Modo no válido o la imagen no es válida";
        op.commands = {{.id = kCmdFlipVertical, .undoLabel = "Flip Vertical", .timingLabel = "Cálculo Flip Vertical",
                        .presets = {{"mode", 1}}, .failureMessage = kCannotFlip},
                       {.id = kCmdFlipHorizontal, .undoLabel = "Flip Horizontal", .timingLabel = "Cálculo Flip Horizontal",
                        .presets = {{"mode", 0}}, .failureMessage = kCannotFlip}};
        all.push_back(std::move(op));
    }
    {
        // Its dialog comes with the geometric operations; the keypad scales by 1.1 and 0.9.
        Operation op{.name = "Scale", .family = "Geometry", .summary = "nearest neighbour, by factors or to a size"};
        op.params = {{.name = "fx", .kind = K::Decimal, .defaultValue = 2, .label = "Columnas"},
                     {.name = "fy", .kind = K::Decimal, .defaultValue = 2, .label = "Filas"},
                     {.name = "mode", .kind = K::Choice, .range = Range{0, 1},
                      .choices = {{0, "factors", "Factores de Escala"}, {1, "pixels", "Dimensiones en Píxeles"}}}};
        op.depths = kDepthsAll6;
        op.results = {{1, C::Other, {}, "factors must be 0 or more"},
                      {2, C::ParamRange, "mode"},
                      {3, C::Other, {}, "no image, or the result would exceed 1 GiB of pixels"},
                      {4, C::Other, {}, "the result would have no columns or no rows"}};
        op.call = [](CVelora& im, const Args& a) { return im.Scale(a.Float(0), a.Float(1), a.Int(2)); };
        all.push_back(std::move(op));
    }
}

}  // namespace velora::catalog
