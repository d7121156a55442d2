// Neighbourhood filters: the convolution engine, the predefined filters and emboss.
#include <algorithm>
#include <cstdint>
#include <span>

#include "FilterCatalogue.h"
#include "Families.h"

namespace velora::catalog {

namespace {
using K = ParamKind;
using C = ResultCode::Check;
using Preview = DialogFacts::Preview;

constexpr std::string_view kRangeMode = "rangeMode";
constexpr std::string_view kBorderMode = "borderMode";

std::vector<Param> ModeParams() {
    return {{.name = kRangeMode, .kind = K::Choice, .range = Range{0, 2}, .defaultValue = 1, .label = "Rango de Salida",
             .choices = {{0, "rescale", "Reescalado"}, {1, "minmax", "MINMAX"}, {2, "absolute", "Valor Absoluto"}}},
            {.name = kBorderMode, .kind = K::Choice, .range = Range{0, 2}, .label = "Píxeles fuera de máscara",
             .choices = {{0, "none", "No aplicar máscara"}, {1, "zero", "Zero-padding"},
                         {2, "replicate", "Replicar filas y columnas"}}}};
}

// A filter's name on the command line: its list text in lowercase ASCII, words joined by '_'
// ("Mediana (3x3)" gives "mediana_3x3").
std::string FilterName(std::string_view text) {
    // Latin-1 letters (U+00C0..U+00FF, two bytes from 0xC3) without their accents; '*': none.
    static constexpr std::string_view kFolded = "aaaaaaaceeeeiiiidnooooo*ouuuuy*saaaaaaaceeeeiiiidnooooo*ouuuuy*y";
    const auto digit = [&](std::size_t i) { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
    std::string name;
    bool gap = false;  // words are joined by '_'
    const auto append = [&](std::string_view letters) {
        if (gap && !name.empty()) name += '_';
        gap = false;
        name += letters;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char folded = static_cast<unsigned char>(c) == 0xC3 && i + 1 < text.size()
                                ? kFolded[static_cast<unsigned char>(text[i + 1]) & 0x3Fu]
                                : '*';
        if (c >= 'A' && c <= 'Z') {
            append(std::string(1, char(c - 'A' + 'a')));
        } else if ((c >= 'a' && c <= 'z') || digit(i)) {
            append(std::string_view(&text[i], 1));
        } else if (folded != '*') {
            append(std::string_view(&folded, 1));
            ++i;
        } else if ((c == '+' || c == '-') && digit(i + 1) && (i == 0 || text[i - 1] == ' ')) {
            // "+45°" and "-45°" name different masks.
            gap = true;
            append(c == '+' ? "mas" : "menos");
        } else {
            gap = true;
        }
    }
    return name;
}

// The predefined filters as the choices of PredefinedFilter's index: number, name, list text.
std::vector<Choice> FilterChoices() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        for (const FilterEntry& entry : FilterEntries()) n.push_back(FilterName(entry.text));
        return n;
    }();
    std::vector<Choice> choices;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const FilterEntry& entry = FilterEntries()[i];
        choices.push_back({entry.index, names[i], entry.text});
    }
    return choices;
}

constexpr unsigned kMaskCode = 5;
constexpr std::string_view kNoMemory = "not enough memory for the filter (or to grow a short colour table)";
}  // namespace

void AddFilterOperations(std::vector<Operation>& all) {
    {
        Operation op{.name = "Convolution", .family = "Filters",
                     .summary = "correlate with a size x size mask (no coefficients: the identity mask)"};
        op.params = {{.name = "size", .range = Range{1, 11}, .defaultValue = 3, .label = "Tamaño máscara"},
                     {.name = "divisor", .defaultValue = 1, .label = "Divisor"}};
        for (Param& p : ModeParams()) op.params.push_back(std::move(p));
        op.params.push_back({.name = "coefficients", .kind = K::IntegerList, .label = "Coeficientes"});
        op.depths = kDepthsNo1;
        op.results = {{1, C::Depth},
                      {2, C::Other, {}, "divisor must not be 0"},
                      {3, C::ParamRange, kRangeMode},
                      {4, C::ParamRange, kBorderMode},
                      {kMaskCode, C::Other, {}, "size must lie in 1..11 and the mask hold size x size coefficients"},
                      {6, C::NoMemory, {}, kNoMemory}};
        op.call = [](CVelora& im, const Args& a) -> unsigned {
            const int size = a.Int(0);
            const std::vector<std::int64_t>& list = a.IntList(4);
            std::vector<int> mask;
            if (list.empty() && size >= 1 && size <= 11) {
                // The identity: 1 over the pixel itself.
                mask.assign(std::size_t(size * size), 0);
                mask[std::size_t((size / 2) * size + size / 2)] = 1;
            } else if (size >= 1 && size <= 11 && list.size() == std::size_t(size * size) &&
                       std::all_of(list.begin(), list.end(), [](std::int64_t c) { return c >= INT32_MIN && c <= INT32_MAX; })) {
                mask.assign(list.begin(), list.end());
            }
            // A list of another length (or with values beyond 32 bits) goes on empty: the
            // library refuses it with its own code, after the checks that come first.
            return im.Convolution(mask, size, a.Int(1), a.Int(2), a.Int(3));
        };
        op.helpTopic = "CVelora.chm::/Ayuda/Filters.htm";
        all.push_back(std::move(op));
    }
    {
        // The workbench's command opens the filter dialog (CFiltros, a handler of its own),
        // which puts each result in a window of its own.
        Operation op{.name = "PredefinedFilter", .family = "Filters", .summary = "one of the predefined filters by its entry number or name"};
        op.params = {{.name = "index", .kind = K::Choice, .range = Range{0, 77}, .defaultValue = 16, .label = "Filtro",
                      .choices = FilterChoices()}};
        for (Param& p : ModeParams()) op.params.push_back(std::move(p));
        op.depths = kDepthsNo1;
        op.results = {{1, C::Depth},
                      {2, C::Other, {}, "index must name an entry: 0..37, 40..68 or 70..77"},
                      {3, C::ParamRange, kRangeMode},
                      {4, C::ParamRange, kBorderMode},
                      {5, C::NoMemory, {}, kNoMemory}};
        op.call = [](CVelora& im, const Args& a) { return im.PredefinedFilter(a.Int(0), a.Int(1), a.Int(2)); };
        op.helpTopic = "CVelora.chm::/Ayuda/Filters.htm";
        op.commands = {{.id = kCmdConvolution, .produces = Produces::NewWindow, .timingLabel = "Aplicar Filtro"}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "Emboss", .family = "Filters", .summary = "relief: the picture minus a shifted 5x5 mean of it"};
        op.params = {{.name = "offset", .kind = K::Choice, .range = Range{1, 5}, .defaultValue = 1, .label = "Tipo de Realce",
                      .choices = {{1, "soft", "Suave"}, {3, "medium", "Medio"}, {5, "strong", "Fuerte"}}}};
        op.depths = kD4 | kD8;
        op.results = {{2, C::Depth}, {1, C::Other, {}, "offset must be 1, 3 or 5"}, {3, C::NoMemory, {}, kNoMemory}};
        op.call = [](CVelora& im, const Args& a) { return im.Emboss(a.Int(0)); };
        op.helpTopic = "CVelora.chm::/Ayuda/Emboss.htm";
        op.commands = {{.id = kCmdEmboss, .undoLabel = "Efecto Emboss", .timingLabel = "Cálculo Efecto Emboss",
                        .dialog = DialogFacts{.className = "CEmbossDlg",
                                              .caption = "Aplicación del Efecto Emboss a la Imagen",
                                              .titlePrefix = "Aplicación del Efecto Emboss a ",
                                              .previewBox = Preview::Unchecked}}};
        all.push_back(std::move(op));
    }
}

}  // namespace velora::catalog
