#include "ImageCommands.h"

#include <QApplication>
#include <QGuiApplication>
#include <array>

#include "DialogTable.h"
#include "MainFrame.h"
#include "Messages.h"

namespace {

// A new window holding image under name; it counts as unsaved work.
void OpenResult(CMainFrame& frame, CVelora&& image, const std::string& name) {
    auto document = frame.NewDocument();
    document->Image() = std::move(image);
    document->Image().SetName(name);
    document->SetTitle(name);
    document->SetModified();
    frame.AddView(document);
}

}  // namespace

void EqualizeIntoNewWindow(CMainFrame& frame) {
    CUtilidadDoc* source = frame.ActiveDocument();
    if (!source) return;
    const int model = frame.ColorModel();
    const ColorModelInfo* info = FindColorModel(model);
    if (!info) return;
    CVelora working = source->Image();
    source->TimeOperation(false, "");
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const unsigned code = working.Equalize(model, 0);
    QApplication::restoreOverrideCursor();
    if (code != 0) {
        velora::ui::ShowError(&frame, "Error. No se puede ecualizar el histograma de esta imagen");
        return;
    }
    source->TimeOperation(true, std::string("Ecualizar Histograma ") + info->shortName);
    OpenResult(frame, std::move(working),
               std::string("Ecualización ") + info->shortName + " de " + ImageTitle("", source->Image()));
}

void SplitIntoWindows(CMainFrame& frame) {
    CUtilidadDoc* source = frame.ActiveDocument();
    if (!source) return;
    const int model = frame.ColorModel();
    const ColorModelInfo* info = FindColorModel(model);
    if (!info) return;
    const CVelora& image = source->Image();
    const bool withAlpha = model == kModelRGB && image.GetBitCount() == 32;
    const int count = withAlpha ? 4 : info->components;
    std::array<CVelora, 4> parts;
    for (int i = 0; i < count; ++i) {
        parts[std::size_t(i)] = CVelora::WithTable(image.GetWidth(), image.GetHeight(), 8, 256);
        if (!parts[std::size_t(i)].HasImage()) {
            velora::ui::ShowError(&frame, "Error. No hay memoria suficiente para separar los canales");
            return;
        }
    }
    source->TimeOperation(false, "");
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const unsigned code = image.SplitChannels(model, &parts[0], &parts[1], &parts[2], count == 4 ? &parts[3] : nullptr);
    QApplication::restoreOverrideCursor();
    if (code != 0) {
        velora::ui::ShowError(&frame, "Error. No se pueden separar los canales de esta imagen");
        return;
    }
    source->TimeOperation(true, std::string("Separación Canales ") + info->shortName);
    const std::string of = " de " + ImageTitle("", image);
    for (int i = 0; i < count; ++i)
        OpenResult(frame, std::move(parts[std::size_t(i)]),
                   std::string("Componente ") + info->componentNames[i] + of);
}
