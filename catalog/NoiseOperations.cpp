// Noise and the Fourier spectrum.
#include "Families.h"

namespace velora::catalog {

namespace {
using K = ParamKind;
using C = ResultCode::Check;
using Preview = DialogFacts::Preview;
}  // namespace

void AddNoiseOperations(std::vector<Operation>& all) {
    {
        Operation op{.name = "Noise", .family = "Noise", .summary = "add uniform random values to random or all pixels"};
        constexpr std::string_view kModes = "Tipo de Ruido / Distribución", kRange = "Rango del Ruido",
                                   kBand = "Rango de Niveles Afectados";
        op.params = {{.name = "noiseMode", .kind = K::Choice, .range = Range{0, 1}, .label = "Tipo de Ruido",
                      .choices = {{0, "white", "Blanco"}, {1, "coloured", "Coloreado"}}, .group = kModes},
                     {.name = "distributionMode", .kind = K::Choice, .range = Range{0, 1}, .label = "Distribución",
                      .choices = {{0, "random", "Aleatorio"}, {1, "uniform", "Uniforme"}}, .group = kModes},
                     {.name = "minimum", .range = Range{-255, 255}, .defaultValue = -1, .label = "Valor Mínimo", .group = kRange},
                     {.name = "maximum", .range = Range{-255, 255}, .defaultValue = 1, .label = "Valor Máximo", .group = kRange},
                     {.name = "bandMinimum", .range = Range{0, 255}, .defaultValue = 0, .label = "Valor Mínimo", .group = kBand},
                     {.name = "bandMaximum", .range = Range{0, 255}, .defaultValue = 255, .label = "Valor Máximo", .group = kBand},
                     {.name = "count", .range = Range{1, 2147483647}, .defaultValue = 1, .label = "Nº Píxeles Afectados",
                      .group = "Nº Píxeles Afectados"}};
        op.depths = kDepthsAll5;
        op.results = {{1, C::Depth},
                      {2, C::ParamRange, "noiseMode"},
                      {3, C::ParamRange, "distributionMode"},
                      {4, C::Other, {}, "minimum must lie below maximum, both within -top..top (top 1, 15 or 255 by depth)"},
                      {5, C::Other, {}, "coloured noise needs a band within the levels present, its minimum not above its maximum"},
                      {6, C::Other, {}, "count must lie in 1..width x height"}};
        op.call = [](CVelora& im, const Args& a) {
            return im.Noise(a.Int(0), a.Int(1), a.Int(2), a.Int(3), a.Int(4), a.Int(5), a.Int(6));
        };
        op.drawsRandomNumbers = true;
        op.helpTopic = "CVelora.chm::/Ayuda/AddNoise.htm";
        // The dialog names each result itself: base + "Ruidosa" + a counter + "." + extension.
        op.commands = {{.id = kCmdNoise, .produces = Produces::NewWindow, .timingLabel = "Añadir Ruido",
                        .dialog = DialogFacts{.className = "CRuidoDlg", .caption = "Introducir Ruido",
                                              .titlePrefix = "Introducir ruido a ", .previewBox = Preview::Unchecked}}};
        all.push_back(std::move(op));
    }
    {
        Operation op{.name = "Spectrum", .family = "Noise", .summary = "log-scaled magnitude of the Fourier transform"};
        op.params = {{.name = "form", .kind = K::Choice, .range = Range{0, 1}, .defaultValue = 1,
                      .choices = {{0, "halves", "2 SemiPeriodos"}, {1, "full", "Periodo Completo"}},
                      .group = "Espectro de Fourier"}};
        op.depths = kD8;
        op.results = {{1, C::Other, {}, "width x height must be a power of two"},
                      {2, C::Depth},
                      {3, C::ParamRange, "form"},
                      {5, C::NoMemory, {}, "not enough memory for the transform"},
                      {6, C::Other, {}, "the transform would need more than 4 GiB (over 2^28 pixels)"}};
        op.takesSize = [](const CVelora& im) {
            const std::int64_t n = std::int64_t(im.GetWidth()) * im.GetHeight();
            return n > 0 && (n & (n - 1)) == 0 &&
                   CVelora::SpectrumWorkBytes(im.GetWidth(), im.GetHeight()) <= CVelora::kMaxSpectrumWorkBytes;
        };
        op.call = [](CVelora& im, const Args& a) { return im.Spectrum(a.Int(0)); };
        op.helpTopic = "CVelora.chm::/Ayuda/FFT.htm";
        op.commands = {{.id = kCmdFft, .undoLabel = "FFT", .timingLabel = "Cálculo FFT",
                        .dialog = DialogFacts{.className = "CFFTDlg", .caption = "Transformada Rápida de Fourier (FFT)",
                                              .previewBox = Preview::Unchecked}}};
        all.push_back(std::move(op));
    }
}

}  // namespace velora::catalog
