#include "ImageCommands.h"

#include <QApplication>
#include <QGuiApplication>
#include <array>

#include "CommandRegistry.h"
#include "CommandTable.h"
#include "DialogTable.h"
#include "Document.h"
#include "Messages.h"
#include "OperationRunner.h"
#include "Workbench.h"

void EqualizeIntoNewWindow(CWorkbench& bench) {
    CUtilidadDoc* source = bench.ActiveDocument();
    if (!source) return;
    const int model = bench.ColorModel();
    const ColorModelInfo* info = FindColorModel(model);
    if (!info) return;
    CVelora working = source->Image();
    source->TimeOperation(false, "");
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const unsigned code = working.Equalize(model, 0);
    QApplication::restoreOverrideCursor();
    if (code != 0) {
        velora::ui::ShowError(bench.MainWindow(), "Error. No se puede ecualizar el histograma de esta imagen");
        return;
    }
    source->TimeOperation(true, std::string("Ecualizar Histograma ") + info->shortName);
    bench.OpenResult(std::move(working),
                     std::string("Ecualización ") + info->shortName + " de " + ImageTitle("", source->Image()));
}

void SplitIntoWindows(CWorkbench& bench) {
    CUtilidadDoc* source = bench.ActiveDocument();
    if (!source) return;
    const int model = bench.ColorModel();
    const ColorModelInfo* info = FindColorModel(model);
    if (!info) return;
    const CVelora& image = source->Image();
    const bool withAlpha = model == kModelRGB && image.GetBitCount() == 32;
    const int count = withAlpha ? 4 : info->components;
    std::array<CVelora, 4> parts;
    for (int i = 0; i < count; ++i) {
        parts[std::size_t(i)] = CVelora::WithTable(image.GetWidth(), image.GetHeight(), 8, 256);
        if (!parts[std::size_t(i)].HasImage()) {
            velora::ui::ShowError(bench.MainWindow(), "Error. No hay memoria suficiente para separar los canales");
            return;
        }
    }
    source->TimeOperation(false, "");
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const unsigned code = image.SplitChannels(model, &parts[0], &parts[1], &parts[2], count == 4 ? &parts[3] : nullptr);
    QApplication::restoreOverrideCursor();
    if (code != 0) {
        velora::ui::ShowError(bench.MainWindow(), "Error. No se pueden separar los canales de esta imagen");
        return;
    }
    source->TimeOperation(true, std::string("Separación Canales ") + info->shortName);
    const std::string of = " de " + ImageTitle("", image);
    for (int i = 0; i < count; ++i)
        bench.OpenResult(std::move(parts[std::size_t(i)]),
                         std::string("Componente ") + info->componentNames[i] + of);
}

void InstallImageCommands(CCommandRegistry& registry, CWorkbench& bench) {
    const auto flip = [&bench](int mode, const std::string& name) {
        return [&bench, mode, name] {
            if (CUtilidadDoc* doc = bench.ActiveDocument())
                velora::ui::RunInPlace(bench, *doc, name, "Cálculo " + name, [mode](CVelora& im) { return im.Flip(mode); },
                                       "Error. Imposible voltear. Modo no válido o la imagen no es válida");
        };
    };
    registry.SetCommandHandler(kCmdFlipVertical, flip(1, "Flip Vertical"));
    registry.SetCommandHandler(kCmdFlipHorizontal, flip(0, "Flip Horizontal"));
    registry.SetCommandHandler(kCmdEqualize, [&bench] { EqualizeIntoNewWindow(bench); });
    registry.SetCommandHandler(kCmdSplit, [&bench] { SplitIntoWindows(bench); });
}
