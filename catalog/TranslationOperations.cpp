// Translation by pixels and by visual angle, and the visual angle as a length on a monitor.
#include "Families.h"
#include "Json.h"

namespace velora::catalog {

namespace {
using K = ParamKind;
using C = ResultCode::Check;

// Without measures the library refuses the monitor (code 5 or 4): the command line says
// beforehand that --monitor is missing.
const MonitorGeometry& MonitorOf(const Args& a) {
    static const MonitorGeometry kNone{};
    return a.Monitor() ? *a.Monitor() : kNone;
}

constexpr std::string_view kUnmeasurable =
    "the monitor's resolution must be above 0 and its size at least 10 mm each way (--monitor WxH:WMMxHMM)";
}  // namespace

void AddTranslationOperations(std::vector<Operation>& all) {
    const Param mode{.name = "mode", .kind = K::Choice, .range = Range{0, 1}, .defaultValue = 1,
                     .choices = {{0, "new-size", "Nuevo Tamaño"}, {1, "keep-size", "Mantener Tamaño Original"}}};
    const Param background{.name = "background", .kind = K::Colour, .label = "Color Fondo", .fileKey = "FILL COLOR="};
    constexpr std::string_view kHelp = "CVelora.chm::/Ayuda/Translation.htm";
    {
        Operation op{.name = "Translate", .family = "Translation", .summary = "move the picture by dx, dy pixels"};
        op.params = {mode, {.name = "dx", .label = "dx"}, {.name = "dy", .label = "dy"}, background};
        op.depths = kDepthsAll5;
        op.results = {{1, C::Depth}, {2, C::ParamRange, "mode"},
                      {3, C::NoMemory, {}, "the result would exceed 1 GiB of pixels, or no memory"}};
        op.call = [](CVelora& im, const Args& a) { return im.Translate(a.Int(0), a.Int(1), a.Int(2), a.Colour(3)); };
        op.helpTopic = kHelp;
        // The dialog also translates by distance and angle (TranslateByAngle).
        op.commands = {{.id = kCmdTranslate, .undoLabel = "Traslación", .timingLabel = "Cálculo Traslación",
                        .dialog = DialogFacts{.className = "CTraslacionDlg", .caption = "Traslación de una Imagen",
                                              .titlePrefix = "Traslación de ",
                                              .previewBox = DialogFacts::Preview::Unchecked,
                                              .parameterFile = ParameterFileKind{"CfgTranslation",
                                                                                 "Salvando Parámetros de Traslación", true}}}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "TranslateByAngle", .family = "Translation",
                     .summary = "move by the visual angle alpha seen from distance cm, beta clockwise from up"};
        op.params = {mode,
                     {.name = "distance", .defaultValue = 40, .label = "Distancia (cm)"},
                     {.name = "alpha", .kind = K::Decimal, .range = Range{0, 80}, .defaultValue = 5, .label = "Alfa",
                      .fileKey = "ANGLE ALPHA="},
                     {.name = "beta", .kind = K::Decimal, .range = Range{0, 360}, .defaultValue = 45, .label = "Beta",
                      .fileKey = "ANGLE BETA="},
                     background};
        op.depths = kDepthsAll5;
        op.results = {{1, C::Depth}, {2, C::ParamRange, "mode"}, {3, C::ParamRange, "alpha"},
                      {4, C::ParamRange, "beta"}, {5, C::Other, {}, kUnmeasurable},
                      {6, C::NoMemory, {}, "the result would exceed 1 GiB of pixels, or no memory"}};
        op.call = [](CVelora& im, const Args& a) {
            DisplacementReadout readout;
            return im.TranslateByAngle(a.Int(0), a.Int(1), a.Float(2), a.Float(3), a.Colour(4), readout, MonitorOf(a));
        };
        op.helpTopic = kHelp;
        op.needsMonitor = true;
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "AngularExtent", .kind = Operation::Kind::Query, .family = "Translation",
                     .summary = "the length an angle spans at distance cm on monitor 0 (main) or 1 (second)"};
        op.params = {{.name = "distance", .defaultValue = 40},
                     {.name = "angle", .kind = K::Decimal, .range = Range{0, 60}, .defaultValue = 1},
                     {.name = "monitor", .kind = K::Choice, .range = Range{0, 1},
                      .choices = {{0, "main", "Monitor 1 (Principal)"}, {1, "second", "Monitor 2 (Auxiliar)"}}}};
        op.depths = kDepthsAll6;  // the image is not read
        op.results = {{1, C::Other, {}, "distance must be 0 or more"},
                      {2, C::ParamRange, "angle"},
                      {3, C::Other, {}, "monitor must be 0, or 1 when --monitor gives a second monitor"},
                      {4, C::Other, {}, kUnmeasurable}};
        op.needsMonitor = true;
        op.query = [](const CVelora&, const Args& a) {
            AngularExtentResult r;
            const unsigned code = CVelora::AngularExtent(a.Int(0), a.Float(1), a.Int(2), MonitorOf(a), r);
            JsonObject json;
            json.Add("code", code);
            if (code != 0) json.Add("refusal", RefusalText(*FindOperation("AngularExtent"), code));
            return json
                .Add("centimetres", double(r.centimetres))
                .Add("inches", double(r.inches))
                .Add("horizontalPixels", std::int64_t(r.horizontalPixels))
                .Add("verticalPixels", std::int64_t(r.verticalPixels))
                .Text();
        };
        all.push_back(std::move(op));
    }
}

}  // namespace velora::catalog
