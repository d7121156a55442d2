// One declaration per operation of the image library: everything the command line, the
// command enabling, the undo and timing labels, the help and the generic dialog need to
// know about it, written once. The declarations are plain data with the library call in a
// function; the command line parses and reports from them, the workbench builds its
// dialogs and runs its commands from them.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "CVelora.h"
#include "CommandIds.h"
#include "Depths.h"

namespace velora::catalog {

enum class ParamKind {
    Integer,      // decimal or 0x hexadecimal
    Decimal,      // a number with a decimal point
    Flag,         // 0 or 1
    Choice,       // an integer naming one of the choices
    Colour,       // a colour reference (red in the low byte); #RRGGBB on the command line
    Image,        // a second image
    Path,         // a file path, passed on as text
    IntegerList,  // the remaining arguments, integers (only last)
};

// Inclusive bounds.
struct Range {
    double min = 0;
    double max = 0;
    bool Contains(double v) const { return v >= min && v <= max; }
};

struct Choice {
    int value{};
    std::string_view name{};   // on the command line and in `velora list`: "square"
    std::string_view label{};  // in the dialog: "Cuadrada"
    std::string_view note{};   // shown with the choice in the dialog: its formula
};

// Where a choice's notes go in the dialog.
enum class NotePlace {
    UnderEachChoice,  // every choice's note under its radio button
    OfChosen,         // one text under the group: the chosen choice's note
};

// A parameter's control that is enabled only while another parameter holds one of some values
// (a sigmoid's alpha for the sigmoids).
struct EnabledWhen {
    std::string_view param{};
    std::vector<int> values{};
};

// Where the workbench takes a parameter's value from.
enum class ParamSource {
    Control,           // a control of the operation's dialog
    ActiveColorModel,  // the model chosen in the active colour model window
};

struct Param {
    std::string_view name{};  // "percent"
    ParamKind kind = ParamKind::Integer;
    std::optional<Range> range{};  // what the library accepts; none: the whole kind
    double defaultValue = 0;
    std::string_view label{};  // of the control: "% Brillo"
    std::vector<Choice> choices{};
    std::string_view fileKey{};  // the parameter-file key: "% INCREMENTO BRILLO="
    // The dialog's control, where it differs from the library's range.
    std::optional<Range> controlRange{};
    double step = 1;              // arrows of a decimal edit
    int tickInterval = 0;         // ticks of a slider (0: none; -n: n parts of the range); a decimal with ticks is a slider
    std::string_view group{};       // consecutive parameters of one group share a frame with this title
    ParamSource source = ParamSource::Control;
    // The command line may leave it off (trailing parameters only): an image then arrives null.
    bool optional = false;

    // ---- What the dialog takes from the image and from the other parameters
    // The control's range from the image, in place of the fixed one (Mosaic: 1..min(h/2, w/2)).
    std::function<Range(const CVelora&)> imageRange{};
    bool showMaximum = false;  // "Máx: n" beside a slider whose maximum comes from the image
    // The starting value from the image, in place of the default (the levels present).
    std::function<double(const CVelora&)> imageStart{};
    // An ordered pair: the value stays at most that of the parameter named (minimum ≤ maximum).
    std::string_view notAbove{};
    // No control: the value of the parameter named (Mosaic's square blocks).
    std::string_view sameAs{};
    std::optional<EnabledWhen> enabledWhen{};
    std::string_view note{};  // a text under the control: a formula, the bounds
    NotePlace notePlace = NotePlace::UnderEachChoice;
    bool arrowsOnly = false;  // an integer typed or stepped with arrows, without a slider

    Range ControlRange() const { return controlRange ? *controlRange : range.value_or(Range{}); }
    // The control's range for this image.
    Range ControlRange(const CVelora& image) const { return imageRange ? imageRange(image) : ControlRange(); }
};

// The parsed arguments of one call, in the order of the declaration's parameters.
using ArgValue = std::variant<std::int64_t, double, std::string, std::shared_ptr<const CVelora>, std::vector<std::int64_t>>;

class Args {
public:
    Args() = default;
    explicit Args(std::vector<ArgValue> values) : m_values(std::move(values)) {}
    int Int(std::size_t i) const { return int(std::get<std::int64_t>(m_values.at(i))); }
    std::uint32_t Colour(std::size_t i) const { return std::uint32_t(std::get<std::int64_t>(m_values.at(i))); }
    float Float(std::size_t i) const { return float(std::get<double>(m_values.at(i))); }
    double Double(std::size_t i) const { return std::get<double>(m_values.at(i)); }
    const std::string& Text(std::size_t i) const { return std::get<std::string>(m_values.at(i)); }
    const CVelora& Image(std::size_t i) const { return *std::get<std::shared_ptr<const CVelora>>(m_values.at(i)); }
    const std::vector<std::int64_t>& IntList(std::size_t i) const {
        return std::get<std::vector<std::int64_t>>(m_values.at(i));
    }
    const std::vector<ArgValue>& Values() const { return m_values; }
    std::vector<ArgValue>& Values() { return m_values; }
    // The monitors of the operations that measure visual angles (Operation::needsMonitor):
    // the command line's --monitor, the workbench's screens. Null when none was given.
    void SetMonitor(const MonitorGeometry& monitor) { m_monitor = monitor; }
    const MonitorGeometry* Monitor() const { return m_monitor ? &*m_monitor : nullptr; }

private:
    std::vector<ArgValue> m_values;
    std::optional<MonitorGeometry> m_monitor;
};

// What a non-zero result code means: a failed check named by the declaration's own facts
// (its depths, a parameter's range), memory that could not be had (with or without a text of
// its own), or a text of its own.
struct ResultCode {
    enum class Check { Depth, ParamRange, NoMemory, Other };
    unsigned code{};
    Check check{};
    std::string_view param{};  // ParamRange: the parameter's name
    std::string_view text{};   // Other: a short English text
};

// What a workbench command does with the result.
enum class Produces {
    InPlace,    // the active image changes, with one undo step
    NewWindow,  // the result opens in a new window; the active image stays
};

// A command that opens one window for each value of a parameter that the image has: the bit
// planes, the even and odd rows.
struct FanOut {
    std::string_view param{};
    std::function<std::vector<int>(const CVelora&)> values{};
};

// A parameter file that a dialog's "Guardar" writes.
struct ParameterFileKind {
    const char* extension;  // "CfgBrillo": the default extension and the filter's
    const char* caption;    // of the message shown when no file is chosen
    bool crlfAfterLast{};
};

// The dialog of an operation: how it looks and what it starts with.
struct DialogFacts {
    std::string_view className{};    // "CBrilloDlg"
    std::string_view caption{};      // the dialog's own caption
    std::string_view titlePrefix{};  // replaces the caption when it opens; empty: the caption stays
    enum class Preview { None, Checked, Unchecked } previewBox = Preview::None;  // "Previsualizar"
    std::string_view progressText{};  // the progress line of step-by-step runs
    std::optional<ParameterFileKind> parameterFile{};
    // The buttons that run and close, where they are not "Aceptar" and "Cancelar".
    std::string_view acceptText{};
    std::string_view rejectText{};
    std::string_view note{};  // a text above the controls (the corners a shear names)
    std::string_view resetText{};  // a button that puts every control back as it started
    bool choicesSideBySide = false;  // the choice groups in one row
};

// A workbench command that runs the operation.
struct Command {
    int id = 0;
    Produces produces = Produces::InPlace;
    std::string_view undoLabel{};    // "Modificar Brillo"
    std::string_view timingLabel{};  // "Cálculo Modific. Brillo"; may hold {model}
    std::optional<DialogFacts> dialog{};  // none: the command runs at once with its presets
    // Arguments the command fixes, by parameter name (Flip Vertical: mode 1).
    std::vector<std::pair<std::string_view, double>> presets{};
    std::string_view failureMessage{};  // shown when the library refuses; empty: nothing is said
    // The message for a particular refusal, before failureMessage.
    std::vector<std::pair<unsigned, std::string_view>> refusalMessages{};
    // New windows: "Ecualización {model} de {image}"; also {base} and {ext} (the image's name
    // without and with its extension) and, with a fan-out, {value} and {choice} (its label).
    std::string_view resultName{};
    std::optional<FanOut> fanOut{};
    bool resultsUnmodified = false;  // the new windows open without the modified mark
    // The workbench runs it with a handler of its own, which first asks for the file (the
    // palette files); the labels and the enabling still come from here.
    bool asksForFile = false;
};

using InPlaceCall = std::function<unsigned(CVelora&, const Args&)>;
using StepByStepCall = std::function<unsigned(CVelora&, const Args&, CStepProgress&)>;
using QueryCall = std::function<std::string(const CVelora&, const Args&)>;  // JSON text

struct Operation {
    enum class Kind { Step, Query };
    std::string_view name{};     // as the library and the command line call it
    Kind kind = Kind::Step;    // a step changes the image; a query reports on it
    std::string_view family{};   // "Intensity"
    std::string_view summary{};  // one English line for `velora list`
    std::vector<Param> params{};
    unsigned depths = kDepthsAll5;  // bit depths the library accepts
    bool rgbModelOnly = true;       // the workbench offers it only while the active model is RGB
    std::vector<ResultCode> results{};
    InPlaceCall call{};             // steps
    StepByStepCall stepByStep{};    // the slow variant, where there is one
    // How many times the slow variant goes down the image's rows with these arguments (the
    // workbench paces a run by its length); none: once.
    std::function<int(const Args&)> stepPasses{};
    QueryCall query{};              // queries
    std::string_view helpTopic{};   // "CVelora.chm::/Ayuda/Brightness.htm"
    std::vector<Command> commands{};
    bool needsMonitor = false;      // measures visual angles: takes Args::Monitor()
    bool drawsRandomNumbers = false;  // its result depends on the run's seed (the command line's --seed)
    // Images of an accepted depth that the library still refuses for their size (the spectrum's);
    // the workbench disables the commands for them. None: every size.
    std::function<bool(const CVelora&)> takesSize{};

    bool IsQuery() const { return kind == Kind::Query; }
    const Param* FindParam(std::string_view paramName) const;
    int ParamIndex(std::string_view paramName) const;  // -1 when absent
    const Command* FindCommand(int id) const;
    // The code the library returns for a depth outside `depths`; 0 when none is declared.
    unsigned DepthCode() const;
    unsigned NoMemoryCode() const;  // the code the operation returns when memory fails, or 0
};

// Every declaration, queries included, in the order of `velora list`.
const std::vector<Operation>& Operations();
const Operation* FindOperation(std::string_view name);
// The operation a workbench command runs, and that command.
struct CommandBinding {
    const Operation* operation = nullptr;
    const Command* command = nullptr;
    explicit operator bool() const { return operation != nullptr; }
};
CommandBinding FindByCommand(int commandId);

// "Name:arg,arg" from the parameter names.
std::string Signature(const Operation& op);
// The arguments every parameter's default gives (images and paths empty).
Args DefaultArgs(const Operation& op);
// What a refusal means, in words: "percent must lie in -100..100",
// "the image must have 4, 8, 24 or 32 bits per pixel". Empty for an undeclared code.
std::string RefusalText(const Operation& op, unsigned code);
// "4, 8, 24 or 32".
std::string DepthList(unsigned depths);
// A step as the command line takes it: "Brightness:35", "Rotate:0,30.5,#FFFFFF". An image
// argument is written by imageName (its file); without one it is "?".
std::string StepText(const Operation& op, const Args& args,
                     const std::function<std::string(const CVelora&)>& imageName = {});

// A colour reference (red in the low byte) as the command line writes it: "#RRGGBB".
std::string ColourText(std::uint32_t colourRef);

// A label with each {key} replaced by its text in one pass, so that a text holding a key is
// kept as it stands.
std::string ReplaceKeys(std::string_view label, std::initializer_list<std::pair<std::string_view, std::string_view>> keys);

// A label with {model} and {image} replaced.
std::string ExpandLabel(std::string_view label, std::string_view model, std::string_view image = {});

// The choices of a colour-model parameter: the eleven models by their short names.
std::vector<Choice> ColorModelChoices();

}  // namespace velora::catalog
