#include "OperationRunner.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QScreen>
#include <algorithm>
#include <cstring>

#include <QMdiArea>

#include "DialogTable.h"
#include "Document.h"
#include "Messages.h"
#include "QtText.h"
#include "RandomSeed.h"
#include "Workbench.h"

namespace velora::ui {

namespace {

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// The dialogs pass copies of the images they take: the document is found by the content.
bool SameImage(const CVelora& a, const CVelora& b) {
    if (&a == &b) return true;
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() || a.GetBitCount() != b.GetBitCount() ||
        a.GetImageSize() != b.GetImageSize() || !a.GetBits() || !b.GetBits())
        return false;
    return std::memcmp(a.GetBits(), b.GetBits(), a.GetImageSize()) == 0;
}

// The active child window is in front in the workspace, but a dialog that stays open (a
// top-level window) may cover it. The dialog moves to a side of the screen where it leaves
// the window in sight; failing that, the window moves beside the dialog within the workspace.
void KeepClearOf(CWorkbench& bench, QWidget* dialog) {
    QMdiArea* area = bench.MainWindow()->findChild<QMdiArea*>();
    QMdiSubWindow* child = area ? area->activeSubWindow() : nullptr;
    if (!child) return;
    child->raise();
    const auto childRect = [child] { return QRect(child->mapToGlobal(QPoint(0, 0)), child->size()); };
    const QRect frame = dialog->frameGeometry();
    if (!frame.intersects(childRect())) return;
    const QScreen* screen = dialog->screen() ? dialog->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : bench.MainWindow()->geometry();
    for (const int left : {available.right() - frame.width() + 1, available.left()}) {
        if (QRect(QPoint(left, frame.top()), frame.size()).intersects(childRect())) continue;
        dialog->move(dialog->pos() + QPoint(left - frame.left(), 0));
        return;
    }
    const QRect workspace(area->viewport()->mapToGlobal(QPoint(0, 0)), area->viewport()->size());
    const QSize size = child->size();
    for (const QPoint corner : {QPoint(frame.right() + 1, frame.top()), QPoint(frame.left() - size.width(), frame.top()),
                                QPoint(frame.left(), frame.bottom() + 1), QPoint(frame.left(), frame.top() - size.height())}) {
        QRect place(corner, size);
        // Kept inside the workspace along the side it lies on.
        place.moveTop(std::clamp(place.top(), workspace.top(), std::max(workspace.top(), workspace.bottom() - size.height() + 1)));
        place.moveLeft(std::clamp(place.left(), workspace.left(), std::max(workspace.left(), workspace.right() - size.width() + 1)));
        if (workspace.contains(place) && !place.intersects(frame)) {
            child->move(area->viewport()->mapFromGlobal(place.topLeft()));
            return;
        }
    }
}

}  // namespace

bool RunInPlace(CWorkbench& bench, CUtilidadDoc& document, std::string_view undoLabel, std::string_view timingLabel,
                const std::function<unsigned(CVelora&)>& op, const QString& failureMessage,
                std::vector<std::string> steps) {
    const int width = document.Image().GetWidth(), height = document.Image().GetHeight();
    const unsigned code = document.RunOperation(
        std::string(undoLabel), std::string(timingLabel),
        [&op](CVelora& image) {
            const WaitCursor wait;
            return op(image);
        },
        std::move(steps));
    if (code == CUtilidadDoc::kNotEnoughMemory) {
        ShowNotCompleted(bench.MainWindow());
        return false;
    }
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

CRandomRunSeed::CRandomRunSeed(bool draws) {
    if (!draws) return;
    m_previous = velora::FixedRandomSeed();
    m_seed = velora::RunSeed();
    velora::SetFixedRandomSeed(m_seed);
}

CRandomRunSeed::~CRandomRunSeed() {
    if (m_seed) velora::SetFixedRandomSeed(m_previous);
}

bool RunDeclaredCommand(CWorkbench& bench, const velora::catalog::Operation& op, const velora::catalog::Command& command) {
    CUtilidadDoc* document = bench.ActiveDocument();
    if (!document) return false;
    const int model = bench.ColorModel();
    const ColorModelInfo* modelInfo = FindColorModel(model);
    const std::string modelName = modelInfo ? modelInfo->shortName : "";
    const velora::catalog::Args args = CommandArguments(op, command, model);
    const std::string timingLabel = velora::catalog::ExpandLabel(command.timingLabel, modelName);
    const CRandomRunSeed seed(op.drawsRandomNumbers);
    if (command.produces == velora::catalog::Produces::InPlace) {
        unsigned refusal = 0;
        const bool done = RunInPlace(
            bench, *document, velora::catalog::ExpandLabel(command.undoLabel, modelName), timingLabel,
            [&](CVelora& image) { return refusal = op.call(image, args); }, {}, {StepOf(bench, op, args)});
        if (done) document->Record().SeedLast(seed.Seed());
        if (!done && refusal) {
            if (const QString message = RefusalMessage(command, refusal); !message.isEmpty()) ShowError(bench.MainWindow(), message);
        }
        return done;
    }

    // New windows: the active image stays as it is, and there is nothing to undo. A fan-out
    // opens one window for each value the image has.
    const int fanIndex = command.fanOut ? op.ParamIndex(command.fanOut->param) : -1;
    const std::vector<int> values = fanIndex >= 0 ? command.fanOut->values(document->Image()) : std::vector<int>{0};
    unsigned refusal = 0;
    const bool done = RunIntoNewWindows(
        bench, *document, timingLabel,
        [&](const CVelora& image, std::vector<NewWindowImage>& out) {
            // Every result is made before any window opens: the timing covers the whole run.
            for (const int value : values) {
                velora::catalog::Args each = args;
                if (fanIndex >= 0) each.Values()[std::size_t(fanIndex)] = std::int64_t(value);
                CVelora result = image;
                if ((refusal = op.call(result, each))) return refusal;
                out.push_back({std::move(result), ResultName(op, command, modelName, image, value), {StepOf(bench, op, each)},
                               seed.Seed()});
            }
            return 0u;
        },
        {}, !command.resultsUnmodified);
    if (!done && refusal) {
        if (const QString message = RefusalMessage(command, refusal); !message.isEmpty()) ShowError(bench.MainWindow(), message);
    }
    return done;
}

std::string ResultName(const velora::catalog::Operation& op, const velora::catalog::Command& command,
                       std::string_view model, const CVelora& source, int value) {
    std::string choice;
    if (const auto* param = command.fanOut ? op.FindParam(command.fanOut->param) : nullptr)
        for (const auto& c : param->choices)
            if (c.value == value) choice = c.label;
    const std::string image = ImageTitle("", source), base = source.GetNameWithoutExtension(), ext = source.GetExtension(),
                      number = std::to_string(value);
    return velora::catalog::ReplaceKeys(command.resultName, {{"{model}", model}, {"{image}", image}, {"{base}", base},
                                                             {"{ext}", ext}, {"{value}", number}, {"{choice}", choice}});
}

QString RefusalMessage(const velora::catalog::Command& command, unsigned code) {
    for (const auto& [refusal, message] : command.refusalMessages)
        if (refusal == code) return Q(message);
    return Q(command.failureMessage);
}

bool RunIntoNewWindows(CWorkbench& bench, CUtilidadDoc& source, std::string_view timingLabel,
                       const std::function<unsigned(const CVelora&, std::vector<NewWindowImage>&)>& make,
                       const QString& failureMessage, bool modified, QWidget* stayingOpen) {
    std::vector<NewWindowImage> results;
    source.TimeOperation(false, "");
    unsigned code;
    try {
        const WaitCursor wait;
        code = make(source.Image(), results);
    } catch (const std::exception&) {
        ShowNotCompleted(bench.MainWindow());
        return false;
    }
    if (code != 0 || results.empty()) {
        if (code != 0 && !failureMessage.isEmpty()) ShowError(bench.MainWindow(), failureMessage);
        return false;
    }
    source.TimeOperation(true, std::string(timingLabel));
    for (NewWindowImage& result : results) {
        bench.OpenResult(std::move(result.image), {result.name, &source, std::move(result.steps), modified, result.seed});
        if (stayingOpen) KeepClearOf(bench, stayingOpen);
    }
    return true;
}

std::string StepOf(CWorkbench& bench, const velora::catalog::Operation& op, const velora::catalog::Args& args) {
    return velora::catalog::StepText(op, args, [&bench](const CVelora& image) {
        // The document whose image was chosen, by its file (as the command line would take it).
        for (const auto& document : bench.OpenDocuments())
            if (SameImage(document->Image(), image))
                return document->PathName().empty() ? document->Title() : document->PathName();
        return std::string("?");
    });
}

}  // namespace velora::ui
