// COperationDialog: what every operation dialog shares. It keeps a backup copy of the
// document's image, previews the operation on the image itself (restore, apply, repaint),
// applies it on "Aceptar" with one undo step and a timing read-out, restores it on
// "Cancelar", opens the dialog's help topic, writes its parameter file, and runs the slow
// variant of the operation in step-by-step mode.
//
// A dialog declares its controls in its constructor, calls ParametersChanged() when one
// changes, and gives the arguments its controls hold (CurrentArgs()). Preview and "Aceptar"
// run the declared call with them, so what the workbench does is the command line's step,
// which the document's record keeps.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "CVelora.h"
#include "DialogTable.h"
#include "Operation.h"
#include "ParameterFile.h"

class CUtilidadDoc;
class CUtilidadView;
class CWorkbench;
class QCheckBox;
class QHBoxLayout;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QSlider;
class QToolButton;
class QVBoxLayout;

// The rule of every number box in the dialogs. While the user types, nothing is taken: "2"
// on the way to "200" is no value, and clamping it would rewrite the boxes that depend on it.
// When the user has finished (Enter, the focus leaves, "Aceptar" or "Guardar"), the number
// is clamped to the bounds and the box shows what was taken. Integer boxes truncate ("-7.9"
// takes -7 and keeps its text); every box takes a decimal comma or point ("1,5").
class CTypedNumber : public QObject {
    Q_OBJECT
public:
    enum class Kind { Integer, Decimal };
    CTypedNumber(QLineEdit* edit, Kind kind, std::function<std::pair<double, double>()> bounds);
    // Clamps what the box holds and takes it; every COperationDialog does this for its
    // boxes before it accepts or saves.
    void Commit();

signals:
    // A value committed. The owner decides whether it is a change.
    void Taken(double value);

private:
    std::optional<double> Read() const;  // the number typed, truncated for integer boxes

    QLineEdit* m_edit;
    Kind m_kind;
    std::function<std::pair<double, double>()> m_bounds;
};

// A slider with its edit box. Moving the slider writes its value into the box; typing
// follows CTypedNumber and moves the slider. The bounds default to the slider's range.
class CSliderEdit : public QWidget {
    Q_OBJECT
public:
    CSliderEdit(const QString& label, int minimum, int maximum, int tickInterval, int value, QWidget* parent = nullptr);
    int Value() const { return m_value; }
    QString Text() const;
    void SetValue(int value);  // moves the slider and writes the box, without signals
    void SetBounds(std::function<std::pair<int, int>()> bounds) { m_bounds = std::move(bounds); }
    QSlider* Slider() const { return m_slider; }
    QLineEdit* Edit() const { return m_edit; }

signals:
    void ValueChanged(int value);

private:
    std::pair<int, int> Bounds() const;
    void SliderMoved(int position);
    void Take(int value);

    QSlider* m_slider;
    QLineEdit* m_edit;
    std::function<std::pair<int, int>()> m_bounds;
    int m_value;
};

class COperationDialog : public QDialog {
    Q_OBJECT
public:
    // The dialog of a declared command (kCmdBrightness...): its caption, labels, help topic,
    // preview box, progress text and parameter file come from the operation's declaration.
    // A command that declares no dialog stops the program at once, in every build.
    COperationDialog(CUtilidadView* view, int commandId);
    // The same for a declaration held elsewhere (which must outlive the dialog).
    COperationDialog(CUtilidadView* view, const velora::catalog::Operation& op, const velora::catalog::Command& command);
    ~COperationDialog() override;

    const velora::catalog::Operation& Operation() const { return m_operation; }
    const velora::catalog::Command& Command() const { return m_command; }
    const velora::catalog::DialogFacts& Facts() const { return *m_command.dialog; }
    // The image as it was when the dialog opened.
    const CVelora& Backup() const { return m_backup; }
    // The save-file question of "Guardar": the chosen path, or empty when cancelled.
    // Replaced by tests; AskSavePathInFolderLastUsed is what the program asks.
    static std::function<QString(QWidget* parent, const QString& filter, const QString& defaultSuffix)> askSavePath;
    static QString AskSavePathInFolderLastUsed(QWidget* parent, const QString& filter, const QString& defaultSuffix);

    // Restore, apply with the current parameters (or the slow variant), repaint.
    void RefreshPreview();
    void accept() override;
    void reject() override;

    // One call of a declared operation: what the dialog runs, and records.
    struct Step {
        const velora::catalog::Operation* operation;
        velora::catalog::Args args;
    };
    // The arguments the controls give, for the dialog's own operation.
    virtual velora::catalog::Args CurrentArgs() const = 0;
    // What "Aceptar" runs, in order: the own operation with CurrentArgs(), unless the dialog
    // chooses another (the alpha channel's choices) or nothing (the depth the image has).
    virtual std::vector<Step> CurrentSteps() const { return {{&m_operation, CurrentArgs()}}; }

    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }
    QCheckBox* previewBox() const { return m_preview; }
    QLabel* progressLabel() const { return m_progress; }
    QPushButton* saveButton() const { return m_save; }

protected:
    // The steps, on the document's image (a preview may run a faster equivalent).
    virtual unsigned Apply(CVelora& image);
    // The slow variant, reporting every row; used when the operation declares one.
    virtual unsigned ApplyStepByStep(CVelora& image, CStepProgress& progress);
    // "Aceptar" of a command whose results open in new windows.
    void AcceptIntoNewWindow();
    // Called first thing in accept(): the last corrections of the parameters.
    virtual void BeforeAccept() {}

    // ---- Building the dialog
    QVBoxLayout* Body() const { return m_body; }
    // Controls go into the body, or into the given layout (a group's).
    CSliderEdit* AddSliderEdit(const QString& label, int minimum, int maximum, int tickInterval, int value,
                               QLayout* into = nullptr);
    QCheckBox* AddCheckBox(const QString& text, bool checked, QLayout* into = nullptr);
    // A titled frame in the body (or in another frame); its controls go into the layout returned.
    QVBoxLayout* AddGroup(const QString& title, QVBoxLayout* into = nullptr);
    // The up and down arrows of an up-down control, stacked at the end of a row.
    std::pair<QToolButton*, QToolButton*> AddArrows(QHBoxLayout* row);
    // The "Previsualizar" box, checked as declared: while unchecked, changes do not preview.
    QCheckBox* AddPreviewBox();
    // The declared progress text of the step-by-step runs.
    QLabel* AddProgressText();
    // A "Guardar" button writing the declared parameter file, with the lines as they are
    // when it is clicked.
    void AddSaveButton(std::function<std::vector<ParameterLine>()> lines);

    // Every parameter change comes here: previews unless a preview box is unchecked.
    void ParametersChanged();
    // Commits every number box (CTypedNumber) still being typed into.
    void CommitEdits();

    // The labels at the start of the rows (object name "rowLabel") share one width, so that
    // the sliders and boxes after them line up; done when the dialog shows.
    void showEvent(QShowEvent* event) override;

    CWorkbench& Workbench() const { return m_bench; }
    CUtilidadView* View() const { return m_view; }
    bool StepByStepMode() const;
    // A step-by-step run is going on (Esc and "Cancelar" stop it).
    bool Running() const { return m_running; }

private:
    class ProgressReporter;
    void ShowImageChanged();
    // The slow variant from the image as it is; false when the user stopped it. A stopped or
    // refused run leaves the backup copy's image.
    bool RunStepByStep(bool& refused);
    void PreviewStepByStep();
    // The rows a step-by-step run of the current steps shows, which sets its pace.
    std::int64_t StepRows() const;
    void PreviewToggled(bool on);
    void SaveParameters(const ParameterFileKind& kind, const std::vector<ParameterLine>& lines);
    void SetRunning(bool running);

    CUtilidadView* m_view;
    CWorkbench& m_bench;
    CUtilidadDoc* m_document;
    CVelora* m_image;
    CVelora m_backup;
    const velora::catalog::Operation& m_operation;
    const velora::catalog::Command& m_command;
    bool m_stepResultShown = false;  // the image holds a step-by-step run's result
    bool m_closing = false;          // accepted or rejected: changes no longer preview
    bool m_running = false;          // a step-by-step run is going on
    bool m_stopRequested = false;    // ...and the user asked it to stop
    std::vector<QPointer<QWidget>> m_disabledForRun;

    QVBoxLayout* m_body;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QPushButton* m_help;
    QPushButton* m_save = nullptr;
    QCheckBox* m_preview = nullptr;
    QLabel* m_progress = nullptr;
};
