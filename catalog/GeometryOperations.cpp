// Flips, scaling, rotation and crop.
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
        op.results = {{1, C::ParamRange, "mode"}, {2, C::Depth}, {3, C::NoMemory}};
        op.call = [](CVelora& im, const Args& a) { return im.Flip(a.Int(0)); };
        constexpr std::string_view kCannotFlip = "Error. Imposible voltear. Modo no válido o la imagen no es válida";
        op.commands = {{.id = kCmdFlipVertical, .undoLabel = "Flip Vertical", .timingLabel = "Cálculo Flip Vertical",
                        .presets = {{"mode", 1}}, .failureMessage = kCannotFlip},
                       {.id = kCmdFlipHorizontal, .undoLabel = "Flip Horizontal", .timingLabel = "Cálculo Flip Horizontal",
                        .presets = {{"mode", 0}}, .failureMessage = kCannotFlip}};
        all.push_back(std::move(op));
    }
    {
        // The keypad scales by 1.1 and 0.9 (the frame's own handler).
        Operation op{.name = "Scale", .family = "Geometry", .summary = "nearest neighbour, by factors or to a size"};
        op.params = {{.name = "fx", .kind = K::Decimal, .defaultValue = 2, .label = "Columnas"},
                     {.name = "fy", .kind = K::Decimal, .defaultValue = 2, .label = "Filas"},
                     {.name = "mode", .kind = K::Choice, .range = Range{0, 1},
                      .choices = {{0, "factors", "Factores de Escala"}, {1, "pixels", "Dimensiones en Píxeles"}}}};
        op.depths = kDepthsAll6;
        op.results = {{1, C::Other, {}, "factors must be 0 or more"},
                      {2, C::ParamRange, "mode"},
                      {3, C::NoMemory, {}, "no image, or the result would exceed 1 GiB of pixels, or no memory"},
                      {4, C::Other, {}, "the result would have no columns or no rows"}};
        op.call = [](CVelora& im, const Args& a) { return im.Scale(a.Float(0), a.Float(1), a.Int(2)); };
        op.helpTopic = "CVelora.chm::Ayuda/Scaling.htm";
        op.commands = {{.id = kCmdScale, .undoLabel = "Escalado", .timingLabel = "Cálculo Escalado",
                        .dialog = DialogFacts{.className = "CEscaladoDlg", .caption = "Escalado de una Imagen",
                                              .titlePrefix = "Escalado de "}}};
        all.push_back(std::move(op));
    }
    // The size choice of both rotations.
    const Param rotationMode{.name = "mode", .kind = K::Choice, .range = Range{0, 1}, .defaultValue = 1,
                             .label = "Tamaño Img Result.",
                             .choices = {{0, "new", "Nuevo"}, {1, "original", "Original"}}};
    auto angle = [](std::string_view name, std::string_view label) {
        return Param{.name = name, .kind = K::Decimal, .range = Range{-360, 360}, .label = label};
    };
    const Param background{.name = "background", .kind = K::Colour, .label = "Color Fondo"};
    const ResultCode tooLarge{4, C::NoMemory, {}, "the result would exceed 1 GiB of pixels, or no memory"};
    {
        Operation op{.name = "Rotate", .family = "Geometry", .summary = "in-plane rotation, clockwise, nearest neighbour"};
        op.params = {rotationMode, angle("theta", "Theta"), background};
        op.depths = kDepthsAll6;
        op.results = {{1, C::ParamRange, "theta"}, {2, C::Depth}, {3, C::ParamRange, "mode"}, tooLarge};
        op.call = [](CVelora& im, const Args& a) { return im.Rotate(a.Int(0), a.Double(1), a.Colour(2)); };
        op.helpTopic = "CVelora.chm::/Ayuda/Rotation.htm";
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "Rotate3D", .family = "Geometry",
                     .summary = "turn about the X and Y axes (projected), then in the plane"};
        op.params = {rotationMode, angle("alpha", "Alfa"), angle("beta", "Beta"), angle("theta", "Theta"), background};
        op.depths = kDepthsAll6;
        op.results = {{1, C::Other, {}, "alpha, beta and theta must lie in -360..360"},
                      {2, C::Depth},
                      {3, C::ParamRange, "mode"},
                      tooLarge};
        op.call = [](CVelora& im, const Args& a) {
            return im.Rotate3D(a.Int(0), a.Double(1), a.Double(2), a.Double(3), a.Colour(4));
        };
        op.helpTopic = "CVelora.chm::/Ayuda/Rotation.htm";
        op.commands = {{.id = kCmdRotate, .undoLabel = "Rotar", .timingLabel = "Cálculo Rotación",
                        .dialog = DialogFacts{.className = "CRotarDlg", .caption = "Rotación de una Imagen",
                                              .titlePrefix = "Rotación de ",
                                              .previewBox = DialogFacts::Preview::Checked}}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "Crop", .family = "Geometry", .summary = "keep the rectangle (x1,y1)-(x2,y2), corners included"};
        op.params = {{.name = "x1", .label = "Columna"},
                     {.name = "y1", .label = "Fila"},
                     {.name = "x2", .defaultValue = 1, .label = "Columna"},
                     {.name = "y2", .defaultValue = 1, .label = "Fila"}};
        op.depths = kDepthsAll5;
        op.results = {{1, C::Other, {}, "the corners must satisfy 0 <= x1 < x2 < width and 0 <= y1 < y2 < height"},
                      {2, C::Depth},
                      {3, C::NoMemory, {}, "no memory for the result"}};
        op.call = [](CVelora& im, const Args& a) { return im.Crop(a.Int(0), a.Int(1), a.Int(2), a.Int(3)); };
        op.helpTopic = "CVelora.chm::/Ayuda/Crop.htm";
        op.commands = {{.id = kCmdCrop, .undoLabel = "Recortar", .timingLabel = "Cálculo Recorte Imagen",
                        .dialog = DialogFacts{.className = "CRecortarDlg", .caption = "Recorte de una Imagen",
                                              .titlePrefix = "Recorte de ",
                                              .previewBox = DialogFacts::Preview::Unchecked}}};
        all.push_back(std::move(op));
    }
}

}  // namespace velora::catalog
