// Operations between two images: arithmetic (weighted and saturating) and bitwise logic.
#include "Families.h"

namespace velora::catalog {

namespace {
using K = ParamKind;
using C = ResultCode::Check;

std::vector<Choice> ArithmeticChoices() {
    return {{0, "sum", "Suma"},          {1, "difference", "Diferencia"}, {2, "product", "Producto"},
            {3, "division", "División"}, {4, "mean", "Valor Medio"},      {5, "lighter", "El más claro"},
            {6, "darker", "El más oscuro"}};
}

const CVelora* ImageArg(const Args& a, std::size_t i) {
    return std::get<std::shared_ptr<const CVelora>>(a.Values().at(i)).get();
}

// A missing image reaches the library as an image without pixels, which it refuses by depth.
const CVelora& ImageOrNone(const Args& a, std::size_t i) {
    static const CVelora none(nullptr, nullptr, 0, 0, 0);
    const CVelora* image = ImageArg(a, i);
    return image ? *image : none;
}

}  // namespace

void AddImageAlgebraOperations(std::vector<Operation>& all) {
    {
        Operation op{.name = "Arithmetic", .family = "Image algebra",
                     .summary = "combine with a second image, weighted, from an offset"};
        op.params = {{.name = "operation", .kind = K::Choice, .range = Range{0, 6}, .choices = ArithmeticChoices()},
                     {.name = "imageB", .kind = K::Image, .label = "Imagen B"},
                     {.name = "weightA", .kind = K::Decimal, .defaultValue = 1, .label = "Imagen A", .step = 0.05,
                      .group = "Ponderación"},
                     {.name = "weightB", .kind = K::Decimal, .defaultValue = 1, .label = "Imagen B", .step = 0.05,
                      .group = "Ponderación"},
                     {.name = "offsetColumn", .label = "Columna", .group = "Coordenada Despl."},
                     {.name = "offsetRow", .label = "Fila", .group = "Coordenada Despl."}};
        op.depths = kDepthsAll5;
        op.results = {{1, C::ParamRange, "operation"},
                      {2, C::Depth},
                      {4, C::Other, {}, "the weights must not be negative"},
                      {5, C::Other, {}, "the offset must lie inside the image"},
                      {3, C::Other, {}, "the two images have different depths (only 24 and 32 bits mix)"},
                      {6, C::NoMemory, {}, "not enough memory"}};
        op.call = [](CVelora& im, const Args& a) {
            return im.Arithmetic(unsigned(a.Int(0)), ImageOrNone(a, 1), a.Float(2), a.Float(3), a.Int(4), a.Int(5));
        };
        op.helpTopic = "CVelora.chm::/Ayuda/Arithmetic.htm";
        op.commands = {{.id = kCmdArithmetic, .undoLabel = "Operaciones entre Imágenes",
                        .timingLabel = "Cálculo Op. Aritmética",
                        .dialog = DialogFacts{.className = "COperacionesEntreImg", .caption = "Operaciones Aritméticas"}}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "SaturatingArithmetic", .family = "Image algebra",
                     .summary = "combine with a second image from the top-left corner, limited to the levels"};
        op.params = {{.name = "operation", .kind = K::Choice, .range = Range{0, 6}, .choices = ArithmeticChoices()},
                     {.name = "imageB", .kind = K::Image, .label = "Imagen B"}};
        op.depths = kDepthsAll5;
        op.results = {{1, C::ParamRange, "operation"},
                      {2, C::Depth},
                      {3, C::Other, {}, "the two images have different depths (only 24 and 32 bits mix)"},
                      {4, C::NoMemory, {}, "not enough memory"}};
        op.call = [](CVelora& im, const Args& a) { return im.SaturatingArithmetic(unsigned(a.Int(0)), ImageOrNone(a, 1)); };
        op.helpTopic = "CVelora.chm::/Ayuda/Arithmetic.htm";
        all.push_back(std::move(op));
    }
    {
        // The second image is not read for NOT: the command line may leave it off.
        Operation op{.name = "Logical", .family = "Image algebra",
                     .summary = "bitwise NOT of the image, or AND, OR, XOR, NAND, NOR with a second image"};
        op.params = {{.name = "operation", .kind = K::Choice, .range = Range{0, 5},
                      .choices = {{0, "not", "NOT"}, {1, "and", "AND"}, {2, "or", "OR"}, {3, "xor", "XOR"},
                                  {4, "nand", "NAND"}, {5, "nor", "NOR"}}},
                     {.name = "imageB", .kind = K::Image, .label = "Imagen B", .optional = true}};
        op.depths = kDepthsAll5;
        op.results = {{1, C::ParamRange, "operation"},
                      {2, C::Depth},
                      {3, C::Other, {}, "a second image is needed for every operation but NOT"},
                      {4, C::NoMemory, {}, "not enough memory"}};
        op.call = [](CVelora& im, const Args& a) { return im.Logical(unsigned(a.Int(0)), ImageArg(a, 1)); };
        op.helpTopic = "CVelora.chm::/Ayuda/Logic.htm";
        op.commands = {{.id = kCmdLogical, .undoLabel = "Operaciones Lógicas", .timingLabel = "Cálculo Op. Lógica",
                        .dialog = DialogFacts{.className = "COpLogicasDlg", .caption = "Operaciones Lógicas"}}};
        all.push_back(std::move(op));
    }
}

}  // namespace velora::catalog
