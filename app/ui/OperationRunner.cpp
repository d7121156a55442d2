#include "OperationRunner.h"

#include <QApplication>

#include "Document.h"
#include "Messages.h"
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

}  // namespace velora::ui
