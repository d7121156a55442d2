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
    // The channels are no step of `velora apply`: the command line has `velora split`.
    const auto split = [&](const CVelora& image, std::vector<velora::ui::NewWindowImage>& out) -> unsigned {
        const bool withAlpha = model == kModelRGB && image.GetBitCount() == 32;
        const int count = withAlpha ? 4 : info->components;
        std::array<CVelora, 4> parts;
        for (int i = 0; i < count; ++i) {
            parts[std::size_t(i)] = CVelora::WithTable(image.GetWidth(), image.GetHeight(), 8, 256);
            if (!parts[std::size_t(i)].HasImage()) {
                velora::ui::ShowError(bench.MainWindow(), "Error. No hay memoria suficiente para separar los canales");
                return 0;
            }
        }
        if (image.SplitChannels(model, &parts[0], &parts[1], &parts[2], count == 4 ? &parts[3] : nullptr) != 0) return 1;
        const std::string of = " de " + ImageTitle("", image);
        for (int i = 0; i < count; ++i)
            out.push_back({std::move(parts[std::size_t(i)]), std::string("Componente ") + info->componentNames[i] + of, {}});
        return 0;
    };
    velora::ui::RunIntoNewWindows(bench, *source, std::string("Separación Canales ") + info->shortName, split,
                                  "Error. No se pueden separar los canales de esta imagen");
}

void InstallImageCommands(CCommandRegistry& registry, CWorkbench& bench) {
    // Every declared command without a dialog runs from its declaration.
    for (const auto& op : velora::catalog::Operations())
        for (const auto& command : op.commands)
            if (!command.dialog && !command.asksForFile)
                registry.SetCommandHandler(command.id, [&bench, &op, &command] { velora::ui::RunDeclaredCommand(bench, op, command); });
    registry.SetCommandHandler(kCmdSplit, [&bench] { SplitIntoWindows(bench); });
}
