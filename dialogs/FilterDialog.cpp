#include "FilterDialog.h"

#include <QButtonGroup>
#include <QColor>
#include <QEvent>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <algorithm>

#include "CommandIds.h"
#include "CommandRegistry.h"
#include "DialogTable.h"
#include "Document.h"
#include "FilterCatalogue.h"
#include "Help.h"
#include "Messages.h"
#include "OperationRunner.h"
#include "Operation.h"
#include "QtText.h"
#include "View.h"
#include "Workbench.h"

using velora::ui::Q;

namespace {

constexpr int kMinDivisor = 1, kMaxDivisor = 1024;
// Coefficients stay small enough that no sum of 11 x 11 levels, nor the distance between two
// such sums, leaves the library's 32-bit arithmetic.
constexpr int kCoefficientLimit = 30000;

// Result windows are numbered for the whole run of the program, across dialogs.
int g_nextResultNumber = 1;

bool IsMaskSize(int size) { return size == 1 || size == 2 || size == 3 || size == 5 || size == 7 || size == 9 || size == 11; }

// The framework's words for a number out of its range, as every dialog box says it.
QString RangeMessage(int low, int high) { return QString("Escriba un entero entre %1 y %2.").arg(low).arg(high); }
void ShowRangeMessage(QWidget* parent, int low, int high) {
    velora::ui::MessageSink::show(parent, velora::ui::MessageKind::Warning, "CVeloraMDI", RangeMessage(low, high));
}

// The declaration of the command: its timing label and help topic are written there.
velora::catalog::CommandBinding Declaration() { return velora::catalog::FindByCommand(kCmdConvolution); }
// The engine's parameters as declared: size, divisor, rangeMode, borderMode, coefficients.
const velora::catalog::Param& Parameter(std::size_t index) {
    return velora::catalog::FindOperation("Convolution")->params.at(index);
}

// The mask sizes the engine takes.
int MinSize() { return int(Parameter(0).range->min); }
int MaxSize() { return int(Parameter(0).range->max); }

// A declared label with '&' before the first occurrence of its access key.
QString WithAccessKey(std::string_view label, char key) {
    QString text = Q(label);
    const qsizetype at = text.indexOf(QChar(key));
    if (at >= 0) text.insert(at, '&');
    return text;
}

}  // namespace

// ---------------------------------------------------------------- mask size box

CMaskSizeBox::CMaskSizeBox(QWidget* parent) : QSpinBox(parent) {
    // Wide enough for what may be typed; values outside the sizes taken are answered when
    // typing ends.
    setRange(0, 99);
    setValue(int(Parameter(0).defaultValue));
    setAccelerated(false);
}

int CMaskSizeBox::Corrected(int size) {
    if (size <= MinSize()) return MinSize();
    if (size >= MaxSize()) return MaxSize();
    switch (size) {
        case 4: return 3;
        case 6: return 5;
        case 8: return 9;
        case 10: return 9;
        default: return size;
    }
}

void CMaskSizeBox::stepBy(int steps) {
    int size = Corrected(value());
    for (; steps > 0; --steps) size = Corrected(size >= 3 ? size + 2 : size + 1);
    for (; steps < 0; ++steps) size = Corrected(size > 3 ? size - 2 : size - 1);
    setValue(size);
    selectAll();
}

QAbstractSpinBox::StepEnabled CMaskSizeBox::stepEnabled() const {
    StepEnabled enabled = StepNone;
    if (value() < MaxSize()) enabled |= StepUpEnabled;
    if (value() > MinSize()) enabled |= StepDownEnabled;
    return enabled;
}

// ---------------------------------------------------------------- the dialog

CFiltros::CFiltros(CWorkbench& bench, CUtilidadView* view)
    : QDialog(view), m_bench(bench), m_document(view->Document()), m_backup(view->Document().Image()) {
    // Each result is a declared filter's; the dialog's own title is its only text of its own.
    setWindowTitle(Q(ImageTitle("Aplicación de Filtros a ", m_backup)));

    auto* body = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    BuildList(left);
    body->addLayout(left, 1);

    auto* right = new QVBoxLayout;
    auto* maskBox = new QGroupBox("Máscara", this);
    maskBox->setLayout(BuildGrid());
    right->addWidget(maskBox);

    auto* numbers = new QHBoxLayout;
    auto* sizeLabel = new QLabel("&Tamaño de la máscara", this);
    sizeBox = new CMaskSizeBox(this);
    sizeLabel->setBuddy(sizeBox);
    auto* divisorLabel = new QLabel(WithAccessKey(Parameter(1).label, 'D'), this);
    divisorEdit = new QLineEdit("1", this);
    divisorEdit->setValidator(new QRegularExpressionValidator(QRegularExpression("-?[0-9]{0,7}"), divisorEdit));
    divisorEdit->setMaximumWidth(divisorEdit->fontMetrics().horizontalAdvance("0000000") + 12);
    divisorLabel->setBuddy(divisorEdit);
    numbers->addWidget(sizeLabel);
    numbers->addWidget(sizeBox);
    numbers->addSpacing(16);
    numbers->addWidget(divisorLabel);
    numbers->addWidget(divisorEdit);
    numbers->addSpacing(16);
    sumLabel = new QLabel(this);
    numbers->addWidget(sumLabel);
    numbers->addStretch(1);
    right->addLayout(numbers);

    auto* options = new QHBoxLayout;
    const auto radioGroup = [&](const QString& title, const std::vector<QString>& texts, int checked) {
        auto* box = new QGroupBox(title, this);
        auto* layout = new QVBoxLayout(box);
        layout->setSpacing(2);
        auto* group = new QButtonGroup(box);
        int id = 0;
        for (const QString& text : texts) {
            auto* radio = new QRadioButton(text, box);
            group->addButton(radio, id);
            radio->setChecked(id == checked);
            layout->addWidget(radio);
            ++id;
        }
        layout->addStretch(1);
        options->addWidget(box);
        return group;
    };
    // The two modes as declared, each choice with its access key.
    const auto modeGroupOf = [&](const velora::catalog::Param& mode, std::string_view keys) {
        std::vector<QString> texts;
        for (std::size_t i = 0; i < mode.choices.size(); ++i) texts.push_back(WithAccessKey(mode.choices[i].label, keys[i]));
        return radioGroup(Q(mode.label), texts, int(mode.defaultValue));
    };
    modeGroup = radioGroup("Filtro", {"&Predefinido", "&Usuario"}, Predefined);
    rangeGroup = modeGroupOf(Parameter(2), "RMA");
    borderGroup = modeGroupOf(Parameter(3), "NZf");
    right->addLayout(options);

    auto* buttons = new QHBoxLayout;
    applyButton = new QPushButton("Aplicar filtro", this);
    exitButton = new QPushButton("Salir", this);
    helpButton = new QPushButton("Ayuda", this);
    // Enter applies the filter from anywhere in the dialog; it never closes it.
    applyButton->setDefault(true);
    exitButton->setAutoDefault(false);
    helpButton->setAutoDefault(false);
    buttons->addStretch(1);
    buttons->addWidget(applyButton);
    buttons->addWidget(exitButton);
    buttons->addWidget(helpButton);
    right->addStretch(1);
    right->addLayout(buttons);
    body->addLayout(right);

    connect(modeGroup, &QButtonGroup::idClicked, this, [this](int id) { SetMode(Mode(id)); });
    connect(sizeBox, &QSpinBox::valueChanged, this, [this](int size) {
        if (IsMaskSize(size)) TakeSize(size);  // anything else waits for the end of the typing
    });
    connect(sizeBox, &QAbstractSpinBox::editingFinished, this, &CFiltros::CommitSize);
    connect(divisorEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
        bool ok = false;
        if (const int value = text.toInt(&ok); ok && value >= kMinDivisor && value <= kMaxDivisor) m_divisor = value;
    });
    connect(divisorEdit, &QLineEdit::editingFinished, this, &CFiltros::CommitDivisor);
    connect(applyButton, &QPushButton::clicked, this, &CFiltros::ApplyFilter);
    connect(exitButton, &QPushButton::clicked, this, &CFiltros::reject);
    connect(helpButton, &QPushButton::clicked, this, [this] {
        if (const auto declared = Declaration()) velora::ui::ShowHelpTopic(Q(declared.operation->helpTopic), this);
    });

    SetMode(Predefined);
    list->setFocus();
}

void CFiltros::BuildList(QLayout* into) {
    description = new QLabel(this);
    description->setWordWrap(true);
    description->setTextFormat(Qt::PlainText);
    description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Room for the longest description (three lines), so that the list does not jump.
    description->setMinimumHeight(description->fontMetrics().lineSpacing() * 3 + 6);
    description->setFrameShape(QFrame::StyledPanel);
    into->addWidget(description);

    list = new QListWidget(this);
    QFont headingFont = list->font();
    headingFont.setBold(true);
    const auto lines = velora::FilterListLines();
    int widest = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto* item = new QListWidgetItem(Q(lines[i].text), list);
        item->setData(Qt::UserRole, int(i));
        if (!lines[i].entry) {
            item->setFlags(Qt::NoItemFlags);  // headings and blank lines: the cursor passes them by
            if (!lines[i].text.empty()) {
                item->setFont(headingFont);
                item->setForeground(QColor(0x1a, 0x3c, 0x6e));  // a heading, not a greyed-out entry
            }
        }
        widest = std::max(widest, QFontMetrics(item->font().bold() ? headingFont : list->font()).horizontalAdvance(item->text()));
    }
    list->setMinimumWidth(widest + 40);
    list->setMinimumHeight(list->fontMetrics().lineSpacing() * 18);
    into->addWidget(list);
    connect(list, &QListWidget::itemSelectionChanged, this, [this] {
        const auto chosen = list->selectedItems();
        if (!chosen.isEmpty()) ChooseLine(chosen.front());
    });
    // Trying filters one after another: a double click applies the entry at once.
    connect(list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        if (item->flags() & Qt::ItemIsSelectable) {
            ChooseLine(item);
            ApplyFilter();
        }
    });
}

QLayout* CFiltros::BuildGrid() {
    auto* layout = new QGridLayout;
    layout->setSpacing(2);
    const int cellWidth = fontMetrics().horizontalAdvance("-30000") + 10;
    for (int r = 0; r < kGridSide; ++r)
        for (int c = 0; c < kGridSide; ++c) {
            auto* cell = new QLineEdit("0", this);
            cell->setValidator(new QIntValidator(-kCoefficientLimit, kCoefficientLimit, cell));
            cell->setAlignment(Qt::AlignRight);
            cell->setFixedWidth(cellWidth);
            cell->installEventFilter(this);
            connect(cell, &QLineEdit::textChanged, this, &CFiltros::UpdateSum);
            layout->addWidget(cell, r, c);
            grid[std::size_t(r * kGridSide + c)] = cell;
        }
    // Tab walks the grid row by row.
    for (std::size_t i = 1; i < grid.size(); ++i) setTabOrder(grid[i - 1], grid[i]);
    return layout;
}

bool CFiltros::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    const auto found = std::find(grid.begin(), grid.end(), watched);
    if (found == grid.end()) return QDialog::eventFilter(watched, event);
    QLineEdit* cell = *found;
    const int at = int(found - grid.begin()), r = at / kGridSide, c = at % kGridSide;
    const bool wholeSelected = cell->hasSelectedText() && cell->selectedText() == cell->text();
    int toR = r, toC = c;
    switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Up: --toR; break;
        case Qt::Key_Down: ++toR; break;
        case Qt::Key_Left:
            if (cell->cursorPosition() == 0 || wholeSelected) --toC;
            break;
        case Qt::Key_Right:
            if (cell->cursorPosition() == cell->text().size() || wholeSelected) ++toC;
            break;
        default: return QDialog::eventFilter(watched, event);
    }
    if (toR == r && toC == c) return false;  // the cursor moves inside the box
    if (toR >= 0 && toR < kGridSide && toC >= 0 && toC < kGridSide) {
        QLineEdit* next = grid[std::size_t(toR * kGridSide + toC)];
        if (next->isEnabled() && next->focusPolicy() != Qt::NoFocus) {
            next->setFocus(Qt::TabFocusReason);
            next->selectAll();
        }
    }
    return true;
}

CFiltros::Mode CFiltros::CurrentMode() const { return modeGroup->checkedId() == User ? User : Predefined; }

void CFiltros::ChooseLine(QListWidgetItem* item) {
    const auto lines = velora::FilterListLines();
    const int i = item->data(Qt::UserRole).toInt();
    if (i < 0 || std::size_t(i) >= lines.size() || !lines[std::size_t(i)].entry) return;
    m_entry = lines[std::size_t(i)].entry;
    SetMode(Predefined);
}

void CFiltros::ShowEntry(const velora::FilterEntry& entry) {
    description->setText(Q(entry.description));
    m_size = entry.size;
    m_divisor = entry.divisor;
    {
        const QSignalBlocker blocker(sizeBox);
        sizeBox->setValue(entry.size);
    }
    divisorEdit->setText(QString::number(entry.divisor));
    // A window filter has no mask: its boxes stay empty.
    for (int r = 0; r < kGridSide; ++r)
        for (int c = 0; c < kGridSide; ++c) {
            const bool inside = r < entry.size && c < entry.size && !entry.coefficients.empty();
            grid[std::size_t(r * kGridSide + c)]->setText(
                inside ? QString::number(entry.coefficients[std::size_t(r * entry.size + c)]) : QString());
        }
}

void CFiltros::SetMode(Mode mode) {
    modeGroup->button(mode)->setChecked(true);
    if (mode == Predefined && m_entry) ShowEntry(*m_entry);
    if (mode == User)  // the mask shown is where the user's starts; an empty box is a 0
        for (QLineEdit* cell : grid)
            if (cell->text().isEmpty()) cell->setText("0");
    sizeBox->setEnabled(mode == User);
    divisorEdit->setEnabled(mode == User);
    UpdateGridState();
    UpdateApplyButton();
    UpdateSum();
}

void CFiltros::TakeSize(int size) {
    if (size == m_size) return;
    m_size = size;
    UpdateGridState();
    UpdateSum();
}

bool CFiltros::CommitSize() {
    sizeBox->interpretText();
    const int typed = sizeBox->value();
    const bool inRange = typed >= MinSize() && typed <= MaxSize() && !sizeBox->cleanText().isEmpty();
    const int size = CMaskSizeBox::Corrected(typed);
    if (sizeBox->value() != size || sizeBox->text() != QString::number(size)) {
        const QSignalBlocker blocker(sizeBox);
        sizeBox->setValue(size);
    }
    TakeSize(size);
    if (!inRange) ShowRangeMessage(this, MinSize(), MaxSize());
    return inRange;
}

bool CFiltros::CommitDivisor() {
    bool ok = false;
    const int typed = divisorEdit->text().toInt(&ok);
    const bool inRange = ok && typed >= kMinDivisor && typed <= kMaxDivisor;
    m_divisor = inRange ? typed : std::clamp(ok ? typed : kMinDivisor, kMinDivisor, kMaxDivisor);
    divisorEdit->setText(QString::number(m_divisor));
    if (!inRange) ShowRangeMessage(this, kMinDivisor, kMaxDivisor);
    return inRange;
}

void CFiltros::UpdateGridState() {
    const bool user = CurrentMode() == User;
    const int side = user ? m_size : (m_entry && !m_entry->coefficients.empty() ? m_entry->size : 0);
    for (int r = 0; r < kGridSide; ++r)
        for (int c = 0; c < kGridSide; ++c) {
            QLineEdit* cell = grid[std::size_t(r * kGridSide + c)];
            cell->setEnabled(r < side && c < side);
            cell->setReadOnly(!user);
            // Read-only boxes stay out of the way of Tab.
            cell->setFocusPolicy(user ? Qt::StrongFocus : Qt::NoFocus);
        }
}

void CFiltros::UpdateSum() {
    const bool shown = CurrentMode() == User || (m_entry && !m_entry->coefficients.empty());
    if (!shown || !sumLabel) {
        if (sumLabel) sumLabel->clear();
        return;
    }
    long long sum = 0;
    for (int r = 0; r < m_size; ++r)
        for (int c = 0; c < m_size; ++c) sum += grid[std::size_t(r * kGridSide + c)]->text().toInt();
    sumLabel->setText(QString("Suma de la máscara: %1").arg(sum));
}

void CFiltros::UpdateApplyButton() { applyButton->setEnabled(CurrentMode() == User || m_entry); }

std::vector<int> CFiltros::UserMask() const {
    std::vector<int> mask;
    mask.reserve(std::size_t(m_size * m_size));
    for (int r = 0; r < m_size; ++r)
        for (int c = 0; c < m_size; ++c) mask.push_back(grid[std::size_t(r * kGridSide + c)]->text().toInt());
    return mask;
}

int CFiltros::NextResultNumber() { return g_nextResultNumber; }

std::string CFiltros::ResultName(int number) const {
    std::string name = m_backup.GetNameWithoutExtension();
    if (CurrentMode() == Predefined) name += " - " + std::string(m_entry->text);
    else name += "FiltroUsuario";
    return name + std::to_string(number) + "." + m_backup.GetExtension();
}

QString CFiltros::RefusalMessage(unsigned code, bool predefined) const {
    const unsigned noMemory = predefined ? 5 : 6;
    if (code == 1) {
        const int bits = m_backup.GetBitCount();
        return QString("Error. Los filtros no se aplican a imágenes de %1 %2: solo a imágenes de 4, 8, 24 o 32 bits")
            .arg(bits)
            .arg(bits == 1 ? "bit" : "bits");
    }
    if (code == 2) return predefined ? "Error. El filtro elegido no existe" : "Error. El divisor no puede ser 0";
    if (code == 3) return "Error. Rango de salida no válido";
    if (code == 4) return "Error. Tratamiento de los píxeles fuera de máscara no válido";
    if (code == 5 && !predefined) return "Error. El tamaño de la máscara debe estar entre 1 y 11";
    if (code == noMemory) return "Error. No hay memoria suficiente para aplicar el filtro";
    return QString("Error. No se pudo aplicar el filtro (código %1)").arg(code);
}

bool CFiltros::ApplyFilter() {
    const bool predefined = CurrentMode() == Predefined;
    if (predefined && !m_entry) return false;
    if (!predefined && !(CommitSize() && CommitDivisor())) return false;  // corrected: look, then apply again
    const auto declared = Declaration();
    const int rangeMode = rangeGroup->checkedId(), borderMode = borderGroup->checkedId();
    const std::vector<int> mask = predefined ? std::vector<int>{} : UserMask();
    // The source stays as it is: the filter runs on a copy of it. A refused filter opens no
    // window, and the number stays free.
    using velora::catalog::Args;
    const auto* op = velora::catalog::FindOperation(predefined ? "PredefinedFilter" : "Convolution");
    const Args args = predefined ? Args({std::int64_t(m_entry->index), std::int64_t(rangeMode), std::int64_t(borderMode)})
                                 : Args({std::int64_t(m_size), std::int64_t(m_divisor), std::int64_t(rangeMode),
                                         std::int64_t(borderMode), std::vector<std::int64_t>(mask.begin(), mask.end())});
    unsigned refusal = 0;
    const auto filter = [&](const CVelora&, std::vector<velora::ui::NewWindowImage>& out) {
        CVelora result = m_backup;
        if ((refusal = op->call(result, args))) return refusal;
        out.push_back({std::move(result), ResultName(g_nextResultNumber), {velora::ui::StepOf(m_bench, *op, args)}});
        return 0u;
    };
    // The dialog stays open for the next filter, moved aside so that the result shows.
    if (!velora::ui::RunIntoNewWindows(m_bench, m_document, declared ? std::string(declared.command->timingLabel) : std::string(),
                                       filter, {}, true, this)) {
        if (refusal) velora::ui::ShowError(this, RefusalMessage(refusal, predefined));
        return false;
    }
    ++g_nextResultNumber;
    return true;
}

void CFiltros::reject() {
    m_document.Image() = m_backup;
    m_bench.DocumentChanged(m_document, false);
    QDialog::reject();
}

void InstallFilterCommands(CCommandRegistry& registry, CWorkbench& bench) {
    registry.SetCommandHandler(kCmdConvolution, [&bench] {
        if (CUtilidadView* view = bench.ActiveView()) CFiltros(bench, view).exec();
    });
}
