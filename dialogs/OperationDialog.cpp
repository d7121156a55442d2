#include "OperationDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QToolButton>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <cmath>

#include "Document.h"
#include "EditText.h"
#include "Help.h"
#include "LastFolder.h"
#include "Messages.h"
#include "OperationRunner.h"
#include "QtText.h"
#include "View.h"
#include "Workbench.h"

// ---------------------------------------------------------------- CTypedNumber

CTypedNumber::CTypedNumber(QLineEdit* edit, Kind kind, std::function<std::pair<double, double>()> bounds)
    : QObject(edit), m_edit(edit), m_kind(kind), m_bounds(std::move(bounds)) {
    connect(edit, &QLineEdit::editingFinished, this, &CTypedNumber::Commit);
}

std::optional<double> CTypedNumber::Read() const {
    std::optional<double> value = ParseNumberPrefix(m_edit->text().toStdString());
    if (value && std::isnan(*value)) return std::nullopt;
    if (value && m_kind == Kind::Integer) *value = std::trunc(*value);
    return value;
}

void CTypedNumber::Commit() {
    const auto [low, high] = m_bounds();
    const auto typed = Read();
    const double value = std::clamp(typed.value_or(0.0), low, std::max(low, high));
    if (!typed || value != *typed)
        m_edit->setText(m_kind == Kind::Integer ? QString::number(TruncateClamped(value, INT_MIN, INT_MAX))
                                                : QString::number(value));
    emit Taken(value);
}

// ---------------------------------------------------------------- CSliderEdit

CSliderEdit::CSliderEdit(const QString& label, int minimum, int maximum, int tickInterval, int value, QWidget* parent)
    : QWidget(parent), m_value(value) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* caption = new QLabel(label, this);
    caption->setObjectName("rowLabel");
    layout->addWidget(caption);
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setRange(minimum, maximum);
    m_slider->setTickInterval(tickInterval);
    m_slider->setTickPosition(QSlider::TicksBelow);
    m_slider->setMinimumWidth(200);
    m_slider->setValue(value);
    layout->addWidget(m_slider, 1);
    m_edit = new QLineEdit(QString::number(value), this);
    m_edit->setMaximumWidth(70);
    layout->addWidget(m_edit);
    connect(m_slider, &QSlider::valueChanged, this, &CSliderEdit::SliderMoved);
    auto* typed = new CTypedNumber(m_edit, CTypedNumber::Kind::Integer, [this] {
        const auto [low, high] = Bounds();
        return std::pair{double(low), double(std::max(low, high))};
    });
    connect(typed, &CTypedNumber::Taken, this, [this](double taken) { Take(int(taken)); });
}

QString CSliderEdit::Text() const { return m_edit->text(); }

std::pair<int, int> CSliderEdit::Bounds() const {
    return m_bounds ? m_bounds() : std::pair{m_slider->minimum(), m_slider->maximum()};
}

void CSliderEdit::SetValue(int value) {
    m_value = value;
    const QSignalBlocker block(m_slider);
    m_slider->setValue(value);
    m_edit->setText(QString::number(value));
}

void CSliderEdit::SliderMoved(int position) {
    const auto [low, high] = Bounds();
    const int value = std::clamp(position, low, std::max(low, high));
    if (value != position) {
        const QSignalBlocker block(m_slider);
        m_slider->setValue(value);
    }
    m_edit->setText(QString::number(value));
    m_value = value;
    emit ValueChanged(value);
}

void CSliderEdit::Take(int value) {
    if (value == m_value) return;
    m_value = value;
    const QSignalBlocker block(m_slider);
    m_slider->setValue(value);
    emit ValueChanged(value);
}

// ---------------------------------------------------------------- step-by-step progress

// Shows a slow run as it goes: the progress text, the image after every row, and the pause
// between rows. The pace is the library's (20 ms a row) while a whole run stays within
// kRunBudgetMs; a longer run (a large image, several passes) gets shorter pauses, so that it
// still ends in a watchable time. The pauses count against a clock running since the start,
// so the time the rows take is part of them. At a shortened pace text and image are painted
// at most every kFrameMs; the events taken meanwhile let Esc or "Cancelar" stop the run.
class COperationDialog::ProgressReporter : public CStepProgress {
public:
    static constexpr double kRunBudgetMs = 10000;
    static constexpr qint64 kFrameMs = 16;

    ProgressReporter(COperationDialog& dialog, std::int64_t rows)
        : m_dialog(dialog), m_scale(std::min(1.0, kRunBudgetMs / (20.0 * double(std::max<std::int64_t>(rows, 1))))) {
        m_clock.start();
    }
    ~ProgressReporter() override {
        if (m_textDue) PaintText();  // the last text, which may have come just after a paint
        m_dialog.m_view->ShowInstead(nullptr);
        if (m_dialog.m_running) m_dialog.SetRunning(false);
    }
    void EnableControls(bool enabled) override {
        if (enabled && m_textDue) PaintText();
        m_dialog.SetRunning(!enabled);
    }
    void SetProgressText(const std::string& text) override {
        if (!m_dialog.m_progress) return;
        m_dialog.m_progress->setText(QString::fromStdString(text));
        m_textDue = true;
        if (Due(m_textFrame)) PaintText();
    }
    void ShowWorkingImage(const CVelora& image) override {
        // Skipped between frames: the image may be a copy that does not outlive the row.
        if (!Due(m_imageFrame)) return;
        m_imageFrame.start();
        if (&image != m_dialog.m_image) {
            m_shown = image;
            m_dialog.m_view->ShowInstead(&m_shown);
        } else {
            m_dialog.m_view->ShowInstead(nullptr);
        }
        m_dialog.m_view->ImageChanged();
        m_dialog.m_view->viewport()->repaint();
    }
    void Pause(unsigned milliseconds) override {
        m_due += double(milliseconds) * m_scale;
        while (!Stopped()) {
            if (m_textDue && Due(m_textFrame)) PaintText();
            if (Due(m_eventsFrame)) {
                m_eventsFrame.start();
                QApplication::processEvents();  // Esc, "Cancelar", the other windows' paints
            }
            const double left = m_due - double(m_clock.nsecsElapsed()) / 1e6;
            if (left <= 0) break;
            QThread::usleep(static_cast<unsigned long>(std::min(left, 4.0) * 1000));
        }
    }
    bool Stopped() const override { return m_dialog.m_stopRequested; }

private:
    // At the library's own pace every row is shown: its 20 ms are longer than a frame anyway.
    bool Due(const QElapsedTimer& frame) const { return m_scale >= 1 || !frame.isValid() || frame.elapsed() >= kFrameMs; }
    void PaintText() {
        m_textFrame.start();
        m_textDue = false;
        // Pending layout and show events first: a paint before them may show nothing.
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        m_dialog.m_progress->repaint();
    }

    COperationDialog& m_dialog;
    const double m_scale;
    QElapsedTimer m_clock, m_textFrame, m_imageFrame, m_eventsFrame;
    double m_due = 0;  // ms from the start that the pauses so far add up to
    bool m_textDue = false;
    CVelora m_shown;  // a working copy the operation writes into, as last shown
};

// ---------------------------------------------------------------- COperationDialog

std::function<QString(QWidget*, const QString&, const QString&)> COperationDialog::askSavePath =
    &COperationDialog::AskSavePathInFolderLastUsed;

QString COperationDialog::AskSavePathInFolderLastUsed(QWidget* parent, const QString& filter, const QString& defaultSuffix) {
    QFileDialog dialog(parent, QString(), velora::ui::LastFolder(velora::ui::kParameterFolderKey), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    velora::ui::RememberFolderOf(velora::ui::kParameterFolderKey, dialog.selectedFiles().first());
    return dialog.selectedFiles().first();
}

namespace {

bool DrawsRandomNumbers(const std::vector<COperationDialog::Step>& steps) {
    return std::any_of(steps.begin(), steps.end(), [](const auto& step) { return step.operation->drawsRandomNumbers; });
}

// The declaration of a command's dialog; a missing one is a programming error that every
// build reports, not a null pointer to be dereferenced later.
velora::catalog::CommandBinding DialogBinding(int commandId) {
    const auto binding = velora::catalog::FindByCommand(commandId);
    if (!binding || !binding.command->dialog) qFatal("No operation declares a dialog for command %d", commandId);
    return binding;
}

using velora::ui::Q;

}  // namespace

COperationDialog::COperationDialog(CUtilidadView* view, int commandId)
    : COperationDialog(view, *DialogBinding(commandId).operation, *DialogBinding(commandId).command) {}

COperationDialog::COperationDialog(CUtilidadView* view, const velora::catalog::Operation& op,
                                   const velora::catalog::Command& command)
    : QDialog(view),
      m_view(view),
      m_bench(view->Workbench()),
      m_document(&view->Document()),
      m_image(&view->Document().Image()),
      m_backup(view->Document().Image()),
      m_operation(op),
      m_command(command) {
    if (!m_command.dialog) qFatal("The command %d of %s declares no dialog", m_command.id, std::string(op.name).c_str());
    setModal(true);
    std::string title = Facts().titlePrefix.empty() ? std::string(Facts().caption) : ImageTitle(Facts().titlePrefix, m_backup);
    if (StepByStepMode()) title += kStepByStepTitleSuffix;
    setWindowTitle(QString::fromStdString(title));

    auto* outer = new QHBoxLayout(this);
    m_body = new QVBoxLayout;
    outer->addLayout(m_body, 1);
    auto* buttons = new QVBoxLayout;
    m_ok = new QPushButton(Facts().acceptText.empty() ? QString("Aceptar") : Q(Facts().acceptText), this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(Facts().rejectText.empty() ? QString("Cancelar") : Q(Facts().rejectText), this);
    m_help = new QPushButton("Ayuda", this);
    for (QPushButton* b : {m_ok, m_cancel, m_help}) buttons->addWidget(b);
    buttons->addStretch(1);
    outer->addLayout(buttons);
    connect(m_ok, &QPushButton::clicked, this, &COperationDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &COperationDialog::reject);
    connect(m_help, &QPushButton::clicked, this,
            [this] { velora::ui::ShowHelpTopic(Q(m_operation.helpTopic), this); });
    m_body->setObjectName("body");
    buttons->setObjectName("buttons");
    // The whole caption fits in the title bar, in the bold face window managers use and with
    // room for their icon and buttons, however narrow the controls below it are.
    QFont captionFont = font();
    captionFont.setBold(true);
    m_body->addStrut(QFontMetrics(captionFont).horizontalAdvance(windowTitle()) +
                     4 * style()->pixelMetric(QStyle::PM_TitleBarHeight) - m_cancel->sizeHint().width());
}

COperationDialog::~COperationDialog() = default;

void COperationDialog::showEvent(QShowEvent* event) {
    const auto labels = findChildren<QLabel*>("rowLabel");
    int widest = 0;
    for (const QLabel* label : labels) widest = std::max(widest, label->sizeHint().width());
    for (QLabel* label : labels) label->setMinimumWidth(widest);
    if (layout()) layout()->activate();
    QDialog::showEvent(event);
}

bool COperationDialog::StepByStepMode() const { return m_operation.stepByStep && m_bench.StepByStep(); }

unsigned COperationDialog::Apply(CVelora& image) {
    for (const Step& step : CurrentSteps())
        if (const unsigned code = step.operation->call(image, step.args)) return code;
    return 0;
}

unsigned COperationDialog::ApplyStepByStep(CVelora& image, CStepProgress& progress) {
    const auto steps = CurrentSteps();
    if (steps.size() == 1 && steps[0].operation->stepByStep) return steps[0].operation->stepByStep(image, steps[0].args, progress);
    return Apply(image);
}

CSliderEdit* COperationDialog::AddSliderEdit(const QString& label, int minimum, int maximum, int tickInterval,
                                             int value, QLayout* into) {
    auto* pair = new CSliderEdit(label, minimum, maximum, tickInterval, value, this);
    (into ? into : m_body)->addWidget(pair);
    connect(pair, &CSliderEdit::ValueChanged, this, &COperationDialog::ParametersChanged);
    return pair;
}

QCheckBox* COperationDialog::AddCheckBox(const QString& text, bool checked, QLayout* into) {
    auto* box = new QCheckBox(text, this);
    box->setChecked(checked);
    (into ? into : m_body)->addWidget(box);
    connect(box, &QCheckBox::clicked, this, &COperationDialog::ParametersChanged);
    return box;
}

QVBoxLayout* COperationDialog::AddGroup(const QString& title, QVBoxLayout* into) {
    auto* group = new QGroupBox(title);
    auto* layout = new QVBoxLayout(group);
    (into ? into : m_body)->addWidget(group);
    return layout;
}

std::pair<QToolButton*, QToolButton*> COperationDialog::AddArrows(QHBoxLayout* row) {
    auto* arrows = new QVBoxLayout;
    arrows->setSpacing(0);
    auto* up = new QToolButton;
    up->setArrowType(Qt::UpArrow);
    auto* down = new QToolButton;
    down->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {up, down}) {
        b->setAutoRepeat(true);
        b->setFixedSize(18, 12);
        arrows->addWidget(b);
    }
    row->addLayout(arrows);
    return {up, down};
}

QCheckBox* COperationDialog::AddPreviewBox() {
    m_preview = new QCheckBox("Previsualizar", this);
    m_preview->setChecked(Facts().previewBox == velora::catalog::DialogFacts::Preview::Checked);
    m_body->addWidget(m_preview);
    connect(m_preview, &QCheckBox::clicked, this, &COperationDialog::PreviewToggled);
    return m_preview;
}

QLabel* COperationDialog::AddProgressText() {
    m_progress = new QLabel(Q(Facts().progressText), this);
    m_progress->setFrameShape(QFrame::StyledPanel);
    m_progress->setMinimumWidth(360);
    m_body->addWidget(m_progress);
    return m_progress;
}

void COperationDialog::AddSaveButton(std::function<std::vector<ParameterLine>()> lines) {
    if (!Facts().parameterFile) qFatal("The dialog of %s declares no parameter file", std::string(m_operation.name).c_str());
    m_save = new QPushButton("Guardar", this);
    if (auto* buttons = findChild<QVBoxLayout*>("buttons")) buttons->insertWidget(3, m_save);
    connect(m_save, &QPushButton::clicked, this,
            [this, lines = std::move(lines)] {
                CommitEdits();
                SaveParameters(*Facts().parameterFile, lines());
            });
}

void COperationDialog::CommitEdits() {
    for (CTypedNumber* number : findChildren<CTypedNumber*>()) number->Commit();
}

void COperationDialog::ParametersChanged() {
    // Once closing, a box committed on the way out changes the parameters of the run to come
    // (accept) or of none (reject): nothing to preview, and a run on show is out of date.
    if (m_closing) {
        m_stepResultShown = false;
        return;
    }
    if (!m_preview || m_preview->isChecked()) RefreshPreview();
}

void COperationDialog::PreviewToggled(bool on) {
    if (on) {
        RefreshPreview();
        return;
    }
    *m_image = m_backup;
    m_stepResultShown = false;
    ShowImageChanged();
}

void COperationDialog::ShowImageChanged() {
    m_bench.DocumentChanged(*m_document, false);
}

void COperationDialog::RefreshPreview() {
    if (m_running) return;
    if (StepByStepMode()) {
        PreviewStepByStep();
        return;
    }
    *m_image = m_backup;
    Apply(*m_image);
    ShowImageChanged();
}

std::int64_t COperationDialog::StepRows() const {
    const auto steps = CurrentSteps();
    const int passes = steps.size() == 1 && steps[0].operation->stepPasses ? steps[0].operation->stepPasses(steps[0].args) : 1;
    return std::int64_t(std::max(passes, 1)) * m_backup.GetHeight();
}

bool COperationDialog::RunStepByStep(bool& refused) {
    m_stopRequested = false;
    {
        ProgressReporter progress(*this, StepRows());
        refused = ApplyStepByStep(*m_image, progress) != 0;
    }
    const bool stopped = m_stopRequested;
    m_stopRequested = false;
    if (stopped || refused) {
        // Nothing of a stopped or refused run stays.
        *m_image = m_backup;
        if (m_progress && stopped) m_progress->setText(Q(Facts().progressText));
    }
    return !stopped;
}

void COperationDialog::PreviewStepByStep() {
    *m_image = m_backup;
    m_bench.CloseToolWindows();
    bool refused = false;
    m_stepResultShown = RunStepByStep(refused) && !refused;
    ShowImageChanged();
}

void COperationDialog::AcceptIntoNewWindow() {
    CommitEdits();
    BeforeAccept();
    const auto steps = CurrentSteps();
    if (steps.empty()) return;
    const std::string model = FindColorModel(m_bench.ColorModel()) ? FindColorModel(m_bench.ColorModel())->shortName : "";
    unsigned refusal = 0;
    const velora::ui::CRandomRunSeed seed(DrawsRandomNumbers(steps));
    velora::ui::RunIntoNewWindows(
        m_bench, *m_document, velora::catalog::ExpandLabel(m_command.timingLabel, model),
        [&](const CVelora&, std::vector<velora::ui::NewWindowImage>& out) {
            CVelora result = m_backup;  // the image on show may be a preview
            std::vector<std::string> texts;
            for (const Step& step : steps) {
                if ((refusal = step.operation->call(result, step.args))) return refusal;
                texts.push_back(velora::ui::StepOf(m_bench, *step.operation, step.args));
            }
            out.push_back({std::move(result), velora::ui::ResultName(m_operation, m_command, model, m_backup), std::move(texts),
                           seed.Seed()});
            return 0u;
        },
        {}, !m_command.resultsUnmodified, this);
    if (refusal) {
        const QString message = velora::ui::RefusalMessage(m_command, refusal);
        if (!message.isEmpty()) velora::ui::ShowError(this, message, "Error");
    }
}

void COperationDialog::accept() {
    if (m_command.produces == velora::catalog::Produces::NewWindow) {
        // The source image stays; the dialog stays open for another result, until "Salir".
        AcceptIntoNewWindow();
        return;
    }
    m_closing = true;
    CommitEdits();  // what the boxes show is what is applied
    BeforeAccept();
    const std::string undoLabel(m_command.undoLabel);
    const auto steps = CurrentSteps();
    std::vector<std::string> stepTexts;
    for (const Step& step : steps) stepTexts.push_back(velora::ui::StepOf(m_bench, *step.operation, step.args));
    if (steps.empty()) {
        // Nothing chosen: the image stays as it was, with no undo step and no timing.
        *m_image = m_backup;
        ShowImageChanged();
        QDialog::accept();
        return;
    }
    // Random draws from one seed, which the record keeps for the command line.
    const velora::ui::CRandomRunSeed seed(DrawsRandomNumbers(steps));
    if (bool refused = false; StepByStepMode()) {
        // A run already on show is the result: the undo step still gets the image as it
        // was when the dialog opened.
        // Without memory for the undo copy nothing changes and the dialog stays open.
        const auto notCompleted = [this] {
            *m_image = m_backup;
            ShowImageChanged();
            velora::ui::ShowNotCompleted(this);
        };
        if (m_stepResultShown) {
            CVelora result = std::move(*m_image);
            *m_image = m_backup;
            if (!m_document->PushUndo(undoLabel, stepTexts)) return notCompleted();
            *m_image = std::move(result);
        } else {
            *m_image = m_backup;
            if (!m_document->PushUndo(undoLabel, stepTexts)) return notCompleted();
            m_bench.CloseToolWindows();
            if (!RunStepByStep(refused)) {
                // Stopped: the image as it was, no undo step, and the dialog stays open.
                m_document->DiscardLastUndo();
                m_closing = false;
                ShowImageChanged();
                return;
            }
            // A refusal changes nothing: no undo step, no modified mark.
            if (refused) m_document->DiscardLastUndo();
        }
        if (!refused) m_document->SetModified(true);
        // A new size (a step-by-step scaling) fits the window to the image again.
        m_bench.DocumentChanged(*m_document, m_image->GetWidth() != m_backup.GetWidth() ||
                                                 m_image->GetHeight() != m_backup.GetHeight());
    } else {
        *m_image = m_backup;
        if (!velora::ui::RunInPlace(m_bench, *m_document, undoLabel, m_command.timingLabel,
                                    [this](CVelora& image) { return Apply(image); }, {}, stepTexts)) {
            *m_image = m_backup;  // a refusing operation may have left half its work behind
            ShowImageChanged();
        } else {
            m_document->Record().SeedLast(seed.Seed());
        }
    }
    QDialog::accept();
}

void COperationDialog::reject() {
    // Esc, "Cancelar" or the window's close during a step-by-step run stop the run only.
    if (m_running) {
        m_stopRequested = true;
        return;
    }
    m_closing = true;
    *m_image = m_backup;
    ShowImageChanged();
    QDialog::reject();
}

void COperationDialog::SetRunning(bool running) {
    m_running = running;
    if (!running) {
        for (const QPointer<QWidget>& w : m_disabledForRun)
            if (w) w->setEnabled(true);
        m_disabledForRun.clear();
        return;
    }
    // Every control but "Cancelar", which stops the run: a change now would start another.
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w != m_cancel && w != m_progress && w->isEnabled() && !w->isWindow()) {
            w->setEnabled(false);
            m_disabledForRun.emplace_back(w);
        }
    m_cancel->setFocus();
}

void COperationDialog::SaveParameters(const ParameterFileKind& kind, const std::vector<ParameterLine>& lines) {
    const QString extension = QString::fromUtf8(kind.extension);
    const QString filter = QString("Archivos %1 (*.%1)").arg(extension);
    const QString path = askSavePath(nullptr, filter, extension);
    if (path.isEmpty()) {
        velora::ui::ShowError(this, "Error al crear el archivo", QString::fromUtf8(kind.caption));
        return;
    }
    // A file that cannot be written is said so: the user would otherwise believe it saved.
    if (!WriteParameterFile(QFile::encodeName(path).toStdString(), lines, kind.crlfAfterLast))
        velora::ui::ShowError(this, "Error al crear el archivo\n" + QDir::toNativeSeparators(path), QString::fromUtf8(kind.caption));
}
