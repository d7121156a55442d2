#include "OperationRunner.h"

#include <QApplication>

#include "DialogTable.h"
#include "Document.h"
#include "Messages.h"
#include "QtText.h"
#include "Workbench.h"

namespace velora::ui {

namespace {

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

bool RunInPlace(CWorkbench& bench, CUtilidadDoc& document, std::string_view undoLabel, std::string_view timingLabel,
                const std::function<unsigned(CVelora&)>& op, const QString& failureMessage) {
    const int width = document.Image().GetWidth(), height = document.Image().GetHeight();
    const unsigned code = document.RunOperation(std::string(undoLabel), std::string(timingLabel), [&op](CVelora& image) {
        const WaitCursor wait;
        return op(image);
    });
    if (code != 0) {
        if (!failureMessage.isEmpty()) ShowError(bench.MainWindow(), failureMessage);
        return false;
    }
    const bool sizeChanged = document.Image().GetWidth() != width || document.Image().GetHeight() != height;
    bench.DocumentChanged(document, sizeChanged);
    return true;
}

velora::catalog::Args CommandArguments(const velora::catalog::Operation& op, const velora::catalog::Command& command,
                                       int colorModel) {
    using velora::catalog::ParamKind;
    velora::catalog::Args args = velora::catalog::DefaultArgs(op);
    for (std::size_t i = 0; i < op.params.size(); ++i) {
        const auto& param = op.params[i];
        if (param.source == velora::catalog::ParamSource::ActiveColorModel) args.Values()[i] = std::int64_t(colorModel);
        for (const auto& [name, value] : command.presets)
            if (name == param.name)
                args.Values()[i] = param.kind == ParamKind::Decimal ? velora::catalog::ArgValue(value)
                                                                     : velora::catalog::ArgValue(std::int64_t(value));
    }
    return args;
}

bool RunDeclaredCommand(CWorkbench& bench, const velora::catalog::Operation& op, const velora::catalog::Command& command) {
    CUtilidadDoc* document = bench.ActiveDocument();
    if (!document) return false;
    const int model = bench.ColorModel();
    const ColorModelInfo* modelInfo = FindColorModel(model);
    const std::string modelName = modelInfo ? modelInfo->shortName : "";
    const velora::catalog::Args args = CommandArguments(op, command, model);
    const QString failure = Q(command.failureMessage);
    const std::string timingLabel = velora::catalog::ExpandLabel(command.timingLabel, modelName);
    if (command.produces == velora::catalog::Produces::InPlace)
        return RunInPlace(bench, *document, velora::catalog::ExpandLabel(command.undoLabel, modelName), timingLabel,
                          [&](CVelora& image) { return op.call(image, args); }, failure);

    // A new window: the active image stays as it is, and there is nothing to undo.
    CVelora result = document->Image();
    document->TimeOperation(false, "");
    unsigned code;
    {
        const WaitCursor wait;
        code = op.call(result, args);
    }
    if (code != 0) {
        if (!failure.isEmpty()) ShowError(bench.MainWindow(), failure);
        return false;
    }
    document->TimeOperation(true, timingLabel);
    bench.OpenResult(std::move(result),
                     velora::catalog::ExpandLabel(command.resultName, modelName, ImageTitle("", document->Image())));
    return true;
}

}  // namespace velora::ui
