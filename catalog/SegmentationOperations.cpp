// Binary images, segmentation and morphology: binary smoothing, region growing, set
// operations between two-colour images and mathematical morphology. The command line runs
// them; the workbench commands join these declarations together with their dialogs.
#include <algorithm>

#include "Families.h"

namespace velora::catalog {

namespace {

using K = ParamKind;
using C = ResultCode::Check;

std::array<bool, 6> Rules(const Args& a) {
    std::array<bool, 6> rules{};
    for (std::size_t i = 0; i < 6; ++i) rules[i] = a.Int(i) != 0;
    return rules;
}

// The element's values as bytes; a value beyond a byte, or a list of another length than
// width x height, goes on empty so that the library refuses it with its own code.
std::vector<std::uint8_t> ElementOf(const Args& a) {
    const std::vector<std::int64_t>& list = a.IntList(5);
    const std::int64_t cells = std::int64_t(a.Int(1)) * a.Int(2);
    if (std::int64_t(list.size()) != cells || !std::all_of(list.begin(), list.end(), [](std::int64_t v) { return v >= 0 && v <= 255; }))
        return {};
    return {list.begin(), list.end()};
}

}  // namespace

void AddSegmentationOperations(std::vector<Operation>& all) {
    {
        Operation op{.name = "BinarySmoothing", .family = "Segmentation, morphology and image algebra",
                     .summary = "apply the chosen Boolean neighbourhood rules, in order, to a 1-bit image"};
        constexpr std::string_view kRuleTexts[6] = {
            "1) Relleno de pequeños huecos, cortes y muescas",
            "2) Eliminación de puntos aislados y pequeñas protuberancias\n    a lo largo de regiones rectas",
            "3) Recuperación de puntos de la esquina superior derecha",
            "4) Recuperación de puntos de la esquina superior izquierda",
            "5) Recuperación de puntos de la esquina inferior derecha",
            "6) Recuperación de puntos de la esquina inferior izquierda"};
        constexpr std::string_view kRuleNames[6] = {"r1", "r2", "r3", "r4", "r5", "r6"};
        for (std::size_t i = 0; i < 6; ++i)
            op.params.push_back({.name = kRuleNames[i], .kind = K::Flag, .label = kRuleTexts[i], .group = "Funciones Lógicas"});
        op.depths = kD1;
        op.rgbModelOnly = false;
        op.results = {{1, C::Depth}, {2, C::NoMemory, {}, "not enough memory"}};
        op.call = [](CVelora& im, const Args& a) { return im.BinarySmoothing(Rules(a)); };
        op.stepByStep = [](CVelora& im, const Args& a, CStepProgress& progress) {
            return im.BinarySmoothingStepByStep(Rules(a), progress);
        };
        op.stepPasses = [](const Args& a) {
            const auto rules = Rules(a);
            return int(std::count(rules.begin(), rules.end(), true));
        };
        op.helpTopic = "CVelora.chm::/Ayuda/BinarySmoothing.htm";
        op.commands = {{.id = kCmdBinarySmoothing, .undoLabel = "Suavizado Binario", .timingLabel = "Cálculo Suavizado Binario",
                        .dialog = DialogFacts{.className = "CSuavizadoBinarioDlg", .caption = "Suavizado Binario de Imágenes",
                                              .titlePrefix = "Suavizado Binario de ",
                                              .progressText = "     0 (Negro) -> Fondo;    1 (Blanco) -> Región de interés"}}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "RegionGrowing", .family = "Segmentation, morphology and image algebra",
                     .summary = "paint the region grown from a seed in rings of city-block or chessboard distance"};
        op.params = {
            {.name = "column", .label = "Columna", .group = "Coordenadas Punto Generador",
             .imageRange = [](const CVelora& im) { return Range{0, double(std::max(im.GetWidth() - 1, 0))}; },
             .imageStart = [](const CVelora& im) { return double(im.GetWidth() / 2); }},
            {.name = "row", .label = "Fila", .group = "Coordenadas Punto Generador",
             .imageRange = [](const CVelora& im) { return Range{0, double(std::max(im.GetHeight() - 1, 0))}; },
             .imageStart = [](const CVelora& im) { return double(im.GetHeight() / 2); }},
            {.name = "distance", .kind = K::Choice, .range = Range{0, 1}, .label = "Distancia",
             .choices = {{0, "cityBlock", "Bloques"}, {1, "chessboard", "Ajedrez"}}},
            {.name = "criterion", .kind = K::Choice, .range = Range{0, 1}, .label = "Criterio",
             .choices = {{0, "level", "Diferencia Abs.Nivel Gris <="}, {1, "percent", "% diferencia Max-Mín Imagen"}}},
            // Levels for the first criterion (a 4-bit image has 16); the dialog offers 0..100 for the percentage.
            {.name = "threshold", .range = Range{0, 255}, .defaultValue = 30, .label = "Umbral",
             .imageRange = [](const CVelora& im) { return Range{0, im.GetBitCount() == 4 ? 15.0 : 255.0}; },
             .imageStart = [](const CVelora& im) { return im.GetBitCount() == 4 ? 6.0 : 30.0; }},
            {.name = "fill", .kind = K::Colour, .label = "Nivel Gris/Color Relleno"}};
        op.depths = kDepthsNo1;
        op.results = {{1, C::Depth},
                      {2, C::Other, {}, "the seed must lie inside the image"},
                      {3, C::ParamRange, "distance"},
                      {4, C::ParamRange, "criterion"},
                      {5, C::NoMemory, {}, "not enough memory"}};
        op.call = [](CVelora& im, const Args& a) {
            return im.RegionGrowing(unsigned(a.Int(0)), unsigned(a.Int(1)), unsigned(a.Int(2)), unsigned(a.Int(3)),
                                    std::uint8_t(a.Int(4)), a.Colour(5));
        };
        op.helpTopic = "CVelora.chm::/Ayuda/RegionGrowing.htm";
        op.commands = {{.id = kCmdRegionGrowing, .undoLabel = "Crecimiento de Regiones", .timingLabel = "Cálculo Crec. Regiones",
                        .dialog = DialogFacts{.className = "CCrecimientoRegionesDlg", .caption = "Crecimiento de Regiones",
                                              .titlePrefix = "Segmentación-Crecimiento de Regiones para ",
                                              .previewBox = DialogFacts::Preview::Unchecked}}};
        all.push_back(std::move(op));
    }
    {
        // Codes 0 and 1 read no second image: the command line may leave it off.
        Operation op{.name = "SetOperation", .family = "Segmentation, morphology and image algebra",
                     .summary = "complement, reflection, union, intersection or difference of two-colour images (index 0 the members)"};
        op.params = {{.name = "code", .kind = K::Choice, .range = Range{0, 4},
                      .choices = {{0, "complement", "Complemento"}, {1, "reflection", "Reflexión"}, {2, "union", "Unión"},
                                  {3, "intersection", "Intersección"}, {4, "difference", "Diferencia"}}},
                     {.name = "imageB", .kind = K::Image, .label = "Imagen B", .optional = true}};
        // Two-colour images of 4 and 8 bits are sets too; the workbench offers 1-bit ones.
        op.depths = kD1;
        op.rgbModelOnly = false;
        op.results = {{1, C::ParamRange, "code"},
                      {2, C::Depth, {}, "the image (and the second one, for codes 2 to 4) must have two colours"},
                      {3, C::NoMemory, {}, "not enough memory"}};
        op.call = [](CVelora& im, const Args& a) {
            return im.SetOperation(unsigned(a.Int(0)), std::get<std::shared_ptr<const CVelora>>(a.Values().at(1)).get());
        };
        op.helpTopic = "CVelora.chm::/Ayuda/SetOps.htm";
        op.commands = {{.id = kCmdSetOperations, .undoLabel = "Operaciones de Conjuntos", .timingLabel = "Cálculo Op. Conjuntos",
                        .dialog = DialogFacts{.className = "COpConjuntosDlg", .caption = "Operaciones Básicas entre Conjuntos"}}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "Morphology", .family = "Segmentation, morphology and image algebra",
                     .summary = "dilation, erosion, opening, closing, smoothing, gradient or top-hat with an element of up to 5 x 5"};
        op.params = {{.name = "operation", .kind = K::Choice, .range = Range{0, 6},
                      .choices = {{0, "dilation", "Dilatación"}, {1, "erosion", "Erosión"}, {2, "opening", "Apertura"},
                                  {3, "closing", "Cierre"}, {4, "smoothing", "Suavizado"}, {5, "gradient", "Gradiente"},
                                  {6, "topHat", "Transf. Sombrero Copa"}}},
                     {.name = "width", .range = Range{1, 5}, .defaultValue = 3, .label = "Ancho"},
                     {.name = "height", .range = Range{1, 5}, .defaultValue = 3, .label = "Alto"},
                     {.name = "originX", .range = Range{0, 4}, .defaultValue = 1, .label = "X"},
                     {.name = "originY", .range = Range{0, 4}, .defaultValue = 1, .label = "Y"},
                     {.name = "values", .kind = K::IntegerList, .range = Range{0, 255}, .label = "Elemento Estructural"}};
        op.depths = kDepthsPalette;
        op.results = {{1, C::ParamRange, "operation"},
                      {2, C::Depth},
                      {3, C::Other, {}, "the element must be 1..5 wide and high, hold width x height values and contain its origin"},
                      {4, C::NoMemory, {}, "not enough memory"}};
        op.call = [](CVelora& im, const Args& a) {
            const auto element = ElementOf(a);
            return im.Morphology(unsigned(a.Int(0)), element, a.Int(1), a.Int(2), a.Int(3), a.Int(4));
        };
        op.stepByStep = [](CVelora& im, const Args& a, CStepProgress& progress) {
            const auto element = ElementOf(a);
            return im.MorphologyStepByStep(unsigned(a.Int(0)), element, a.Int(1), a.Int(2), a.Int(3), a.Int(4), progress);
        };
        // Dilations and erosions, each one pass: opening, closing, gradient and top-hat take two, smoothing four.
        op.stepPasses = [](const Args& a) {
            constexpr int kPasses[7] = {1, 1, 2, 2, 4, 2, 2};
            const int operation = a.Int(0);
            return operation >= 0 && operation <= 6 ? kPasses[operation] : 1;
        };
        op.helpTopic = "CVelora.chm::/Ayuda/Morphological.htm";
        op.commands = {{.id = kCmdMorphology, .undoLabel = "Transformación Morfológica", .timingLabel = "Cálculo Op. Morfología",
                        .dialog = DialogFacts{.className = "CElemEstructDlg", .caption = "Elemento Estructural",
                                              .titlePrefix = "Operación Morfológica para ",
                                              .previewBox = DialogFacts::Preview::Unchecked,
                                              .progressText = "Operaciones Morfológicas"}}};
        all.push_back(std::move(op));
    }
}

}  // namespace velora::catalog
