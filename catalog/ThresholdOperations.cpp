// Global and local thresholds, and the optimal threshold.
#include "Families.h"
#include "Json.h"

namespace velora::catalog {

namespace {

using K = ParamKind;
using C = ResultCode::Check;
using P = DialogFacts::Preview;

// The library takes bytes: a level no byte holds is refused with the code the library gives
// for a level past the table (t, then the depth, then the outputs, in the library's order).
unsigned ThresholdCall(CVelora& im, const Args& a) {
    const int t = a.Int(0), low = a.Int(1), high = a.Int(2);
    if (t < 0 || t > 255) return 1;
    const unsigned depth = im.GetBitCount();
    if (depth != 4 && depth != 8 && depth != 24 && depth != 32) return 2;
    if (low < 0 || low > 255 || high < 0 || high > 255) return 3;
    return im.Threshold(std::uint8_t(t), std::uint8_t(low), std::uint8_t(high));
}

}  // namespace

void AddThresholdOperations(std::vector<Operation>& all) {
    {
        // Its defaults hold on any table of two entries or more; the dialogs start elsewhere.
        Operation op{.name = "Threshold", .family = "Threshold",
                     .summary = "levels below t become low, the others high (R, G, B one by one)"};
        op.params = {{.name = "t", .range = Range{0, 255}, .defaultValue = 1, .label = "Umbral", .fileKey = "UMBRAL=",
                      .tickInterval = 10},
                     {.name = "low", .range = Range{0, 255}, .label = "Nivel Mínimo", .fileKey = "NIVEL MÍNIMO RANGO SALIDA="},
                     {.name = "high", .range = Range{0, 255}, .defaultValue = 1, .label = "Nivel Máximo",
                      .fileKey = "NIVEL MÁXIMO RANGO SALIDA="}};
        op.depths = kDepthsNo1;
        op.results = {{1, C::Other, {}, "t must be below the number of levels (colour table entries, 256 for direct colour)"},
                      {2, C::Depth},
                      {3, C::Other, {}, "low and high must not exceed the number of levels - 1"}};
        op.call = ThresholdCall;
        op.helpTopic = "CVelora.chm::/Ayuda/Thresholding.htm";
        op.commands = {
            {.id = kCmdThreshold, .undoLabel = "Umbralizar", .timingLabel = "Cálculo Umbralización",
             .dialog = DialogFacts{.className = "CUmbralizarDlg", .caption = "Umbralización de una Imagen",
                                   .titlePrefix = "Umbralización de ", .previewBox = P::Unchecked,
                                   .parameterFile = ParameterFileKind{"CfgUmbralizar", "Salvando Parámetros de Umbralización", false}}},
            {.id = kCmdOptimalThreshold, .undoLabel = "Buscar Umbral Óptimo", .timingLabel = "Cálculo del Umbral Óptimo",
             .dialog = DialogFacts{.className = "CBuscarUmbralDlg", .caption = "Cálculo del Umbral Óptimo de la Imagen",
                                   .titlePrefix = "Búsqueda del Umbral Óptimo de ", .previewBox = P::Unchecked}}};
        all.push_back(std::move(op));
    }
    {
        // The block sizes are the image's to bound; 1 x 1 holds on every image.
        Operation op{.name = "LocalThreshold", .family = "Threshold",
                     .summary = "threshold each block from the top-left by its own statistics (8 bits)"};
        op.params = {{.name = "blockHeight", .defaultValue = 1, .label = "Alto del bloque"},
                     {.name = "blockWidth", .defaultValue = 1, .label = "Ancho del bloque"},
                     {.name = "thresholdKind", .range = Range{-3, 255}, .defaultValue = -1, .label = "Umbral"},
                     {.name = "outputKind", .kind = K::Choice, .range = Range{0, 3}, .label = "Rango de Salida",
                      .choices = {{0, "blockRange", "Mín. y Máx. Región"},
                                  {1, "zeroToBlockMax", "0 y Máx. Región"},
                                  {2, "imageRange", "Mín. y Máx. Imagen"},
                                  {3, "fullRange", "Rango Total (0 y L-1)"}}}};
        op.depths = kD8;
        op.results = {{2, C::Depth},
                      {1, C::Other, {}, "blockHeight must lie in 1..height and blockWidth in 1..width"},
                      {3, C::ParamRange, "outputKind"},
                      {4, C::NoMemory}};
        op.call = [](CVelora& im, const Args& a) { return im.LocalThreshold(a.Int(0), a.Int(1), a.Int(2), a.Int(3)); };
        op.helpTopic = "CVelora.chm::/Ayuda/Thresholding.htm";
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "OptimalThreshold", .kind = Operation::Kind::Query, .family = "Threshold",
                     .summary = "threshold by the mean, ISODATA (with its iterations) or two peaks (with the second); code -1 bad depth"};
        op.params = {{.name = "method", .kind = K::Choice, .range = Range{0, 2},
                      .choices = {{0, "mean", "Valor Medio de la Imagen"},
                                  {1, "isodata", "Algoritmo ISODATA"},
                                  {2, "twoPeaks", "Método de los 2 picos"}}}};
        op.depths = kDepthsAll6;
        op.query = [](const CVelora& im, const Args& a) {
            const int method = a.Int(0);
            int extra = 0;
            const int threshold = im.OptimalThreshold(method, extra);
            JsonObject json;
            json.Add("code", threshold < 0 ? threshold : 0);
            if (threshold < 0) return json.Text();
            json.Add("threshold", threshold);
            if (method == 1) json.Add("iterations", extra);
            if (method == 2) json.Add("secondPeak", extra);
            return json.Text();
        };
        op.helpTopic = "CVelora.chm::/Ayuda/FindThreshold.htm";
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "MeanLevel", .kind = Operation::Kind::Query, .family = "Threshold",
                     .summary = "mean level (indices; blue for direct colour) and mean colour; -1 bad depth"};
        op.depths = kDepthsAll6;
        op.query = [](const CVelora& im, const Args&) {
            RGBQUAD c{};
            const int value = im.MeanLevel(c);
            return MeanJson(value, c);
        };
        op.helpTopic = "CVelora.chm::/Ayuda/FindThreshold.htm";
        all.push_back(std::move(op));
    }
}

}  // namespace velora::catalog
