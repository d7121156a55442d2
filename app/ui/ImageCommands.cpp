#include "ImageCommands.h"

#include <QApplication>
#include <QGuiApplication>
#include <algorithm>
#include <array>
#include <vector>

#include "CommandRegistry.h"
#include "CommandTable.h"
#include "DialogTable.h"
#include "Document.h"
#include "Messages.h"
#include "OperationRunner.h"
#include "Workbench.h"

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

void ShowBitPlanes(CWorkbench& bench) {
    CUtilidadDoc* source = bench.ActiveDocument();
    if (!source) return;
    const CVelora& image = source->Image();
    const int depth = image.GetBitCount();
    const int planes = depth == 32 ? 24 : depth;
    // Every plane is made before any window opens: the timing covers the whole run.
    std::vector<CVelora> results;
    results.reserve(std::size_t(std::max(planes, 0)));
    source->TimeOperation(false, "");
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (int p = 0; p < planes; ++p) {
        CVelora plane = image;
        if (!plane.HasImage() || plane.ExtractBitPlane(p) != 0) break;
        results.push_back(std::move(plane));
    }
    QApplication::restoreOverrideCursor();
    if (int(results.size()) != planes) {
        velora::ui::ShowError(bench.MainWindow(), "Error. No hay memoria suficiente para calcular los planos de bits");
        return;
    }
    source->TimeOperation(true, "Cálculo Planos de Bits");
    const QByteArray base = QByteArray::fromStdString(image.GetNameWithoutExtension());
    const QByteArray extension = QByteArray::fromStdString(image.GetExtension());
    for (int p = 0; p < planes; ++p) {
        const std::string name = QString::asprintf("%s Plano %d.%s", base.constData(), p, extension.constData()).toStdString();
        bench.OpenResult(std::move(results[std::size_t(p)]), name);
        if (CUtilidadDoc* opened = bench.ActiveDocument()) opened->SetModified(false);
    }
}

void DeinterlaceIntoWindows(CWorkbench& bench, int kind) {
    CUtilidadDoc* source = bench.ActiveDocument();
    if (!source) return;
    const CVelora& image = source->Image();
    source->TimeOperation(false, "");
    CVelora even = image, odd = image;
    const bool evenMade = even.Deinterlace(kind, 1) == 0;
    const bool oddMade = odd.Deinterlace(kind, 2) == 0;  // a single row or column has no odd one
    source->TimeOperation(true, "´Desentrelazado de la Imagen ");
    const std::string of = ImageTitle("-Desentrelazado de ", image);
    const std::string what = kind == 0 ? "Filas" : "Columnas";
    if (evenMade) bench.OpenResult(std::move(even), what + " Pares" + of);
    if (oddMade) bench.OpenResult(std::move(odd), what + " Impares" + of);
}

void InstallImageCommands(CCommandRegistry& registry, CWorkbench& bench) {
    // Every declared command without a dialog runs from its declaration.
    for (const auto& op : velora::catalog::Operations())
        for (const auto& command : op.commands)
            if (!command.dialog)
                registry.SetCommandHandler(command.id, [&bench, &op, &command] { velora::ui::RunDeclaredCommand(bench, op, command); });
    registry.SetCommandHandler(kCmdSplit, [&bench] { SplitIntoWindows(bench); });
    registry.SetCommandHandler(kCmdBitPlanes, [&bench] { ShowBitPlanes(bench); });
    registry.SetCommandHandler(kCmdDeinterlaceRows, [&bench] { DeinterlaceIntoWindows(bench, 0); });
    registry.SetCommandHandler(kCmdDeinterlaceColumns, [&bench] { DeinterlaceIntoWindows(bench, 1); });
}
