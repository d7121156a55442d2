// The in-place operation as every command, keypad and dialog runs it: one undo step, the
// stopwatch in the status bar, a wait cursor while it works, the modified mark and the
// repaint of the document's views and of the tool windows.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "Operation.h"

class CUtilidadDoc;
class CVelora;
class CWorkbench;
class QWidget;

namespace velora::ui {

// Runs op on the document's image. A refusal (non-zero code) leaves no undo step and shows
// failureMessage as an error, when there is one; the image is assumed unchanged then.
// On success the timing text reads "Tiempo de <timingLabel>: ... seg.". True on success.
// steps are the command-line steps that do the same, for the document's record.
bool RunInPlace(CWorkbench& bench, CUtilidadDoc& document, std::string_view undoLabel, std::string_view timingLabel,
                const std::function<unsigned(CVelora&)>& op, const QString& failureMessage = {},
                std::vector<std::string> steps = {});

// One image for a new window, as RunIntoNewWindows's work gives it.
struct NewWindowImage {
    CVelora image;
    std::string name;
    std::vector<std::string> steps;  // the command-line steps from the source image
    std::optional<unsigned> seed{};  // the seed the steps drew from, where they draw
};

// The seed of a run of operations that draw random numbers: fixed for the run, so that the
// record can hand it to `velora apply --seed` and the command line draws the same. Nothing
// happens for a run that draws none.
class CRandomRunSeed {
public:
    explicit CRandomRunSeed(bool draws);
    ~CRandomRunSeed();
    CRandomRunSeed(const CRandomRunSeed&) = delete;
    CRandomRunSeed& operator=(const CRandomRunSeed&) = delete;
    std::optional<unsigned> Seed() const { return m_seed; }

private:
    std::optional<unsigned> m_seed;
    std::optional<unsigned> m_previous;
};

// Work that leaves the source image as it is and opens its results in new windows: timed on
// the source document, with a wait cursor. make returns 0 and the images, or a refusal's
// code (then failureMessage, when there is one, is shown and nothing opens). Each window
// opens in front; when a dialog that stays open (stayingOpen) would cover it, the dialog
// moves aside. True when windows opened.
bool RunIntoNewWindows(CWorkbench& bench, CUtilidadDoc& source, std::string_view timingLabel,
                       const std::function<unsigned(const CVelora&, std::vector<NewWindowImage>&)>& make,
                       const QString& failureMessage = {}, bool modified = true, QWidget* stayingOpen = nullptr);

// The name of a command's result window: its declared name with {model}, {image}, {base},
// {ext} and, for a fan-out, {value} and {choice} filled in.
std::string ResultName(const velora::catalog::Operation& op, const velora::catalog::Command& command,
                       std::string_view model, const CVelora& source, int value = 0);
// What the workbench says when the library refuses a command: the message for the code, or
// the command's failure message; empty when it says nothing.
QString RefusalMessage(const velora::catalog::Command& command, unsigned code);

// The step a declared operation runs with these arguments; images by their documents' files.
std::string StepOf(CWorkbench& bench, const velora::catalog::Operation& op, const velora::catalog::Args& args);

// The arguments a declared command runs with: its presets, the active colour model where the
// declaration asks for it, and the declared defaults for the rest.
velora::catalog::Args CommandArguments(const velora::catalog::Operation& op, const velora::catalog::Command& command,
                                       int colorModel);

// A declared command without a dialog, on the active image: in place (as RunInPlace), or
// into a new window named by the command's result name. False when nothing was done.
bool RunDeclaredCommand(CWorkbench& bench, const velora::catalog::Operation& op, const velora::catalog::Command& command);

}  // namespace velora::ui
