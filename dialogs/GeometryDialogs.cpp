#include "GeometryDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <climits>
#include <cmath>

#include "EditText.h"
#include "Messages.h"
#include "QtText.h"

namespace {

using velora::catalog::Args;
using velora::ui::Q;

// A layout in a titled frame, added to a row or a column.
QGroupBox* AddFramed(QBoxLayout* into, const QString& title, QLayout* layout) {
    auto* group = new QGroupBox(title);
    group->setLayout(layout);
    into->addWidget(group);
    return group;
}

// The integer a box holds, as the classic conversion reads it; nothing while it holds none.
std::optional<int> TypedInteger(const QLineEdit* edit) {
    const auto value = ParseNumberPrefix(edit->text().toStdString());
    if (!value || std::isnan(*value)) return std::nullopt;
    return TruncateClamped(*value, INT_MIN, INT_MAX);
}

std::optional<double> TypedDecimal(const QLineEdit* edit) {
    const auto value = ParseNumberPrefix(edit->text().toStdString());
    if (!value || !std::isfinite(*value)) return std::nullopt;
    return value;
}

QString SizeText(const char* prefix, long long width, long long height, const char* suffix = "") {
    return QString::fromUtf8(prefix) + QString::number(width) + " x " + QString::number(height) + QString::fromUtf8(suffix);
}

QToolButton* Arrow(Qt::ArrowType type) {
    auto* b = new QToolButton;
    b->setArrowType(type);
    b->setAutoRepeat(true);
    b->setFixedSize(18, 12);
    return b;
}

}  // namespace

// ---------------------------------------------------------------- scaling

CEscaladoDlg::CEscaladoDlg(CUtilidadView* view) : COperationDialog(view, kCmdScale) {
    const int width = Backup().GetWidth(), height = Backup().GetHeight();
    m_columns = width;
    m_rows = height;
    const auto& mode = Operation().params[2];
    auto* modes = new QHBoxLayout;
    factorMode = new QRadioButton(Q(mode.choices[0].label));
    pixelMode = new QRadioButton(Q(mode.choices[1].label));
    factorMode->setChecked(true);
    auto* modeGroup = new QButtonGroup(this);
    modeGroup->addButton(factorMode, 0);
    modeGroup->addButton(pixelMode, 1);
    modes->addWidget(factorMode);
    modes->addWidget(pixelMode);
    Body()->addLayout(modes);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(Q(Operation().params[0].label)), 0, 1);
    grid->addWidget(new QLabel(Q(Operation().params[1].label)), 0, 2);
    grid->addWidget(new QLabel(Q(mode.choices[0].label)), 1, 0);
    grid->addWidget(new QLabel(Q(mode.choices[1].label)), 2, 0);
    factorColumns = new QLineEdit("2,0");
    factorRows = new QLineEdit("2,0");
    pixelColumns = new QLineEdit(QString::number(width));
    pixelRows = new QLineEdit(QString::number(height));
    grid->addWidget(factorColumns, 1, 1);
    grid->addWidget(factorRows, 1, 2);
    grid->addWidget(pixelColumns, 2, 1);
    grid->addWidget(pixelRows, 2, 2);
    keepProportions = new QCheckBox(" Preservar  \n Proporciones");
    grid->addWidget(keepProportions, 1, 3, 2, 1);
    Body()->addLayout(grid);
    currentSize = new QLabel(SizeText("Tamaño Actual:  ", width, height, "    Píxeles"));
    newSize = new QLabel;
    Body()->addWidget(currentSize);
    Body()->addWidget(newSize);

    connect(modeGroup, &QButtonGroup::idClicked, this, [this] { ModeChosen(); });
    connect(factorColumns, &QLineEdit::textEdited, this, [this] { FactorTyped(true); });
    connect(factorRows, &QLineEdit::textEdited, this, [this] { FactorTyped(false); });
    connect(pixelColumns, &QLineEdit::textEdited, this, [this] { PixelsTyped(true); });
    connect(pixelRows, &QLineEdit::textEdited, this, [this] { PixelsTyped(false); });
    connect(keepProportions, &QCheckBox::clicked, this, [this] { Proportions(); });
    ModeChosen();
}

bool CEscaladoDlg::PixelMode() const { return pixelMode->isChecked(); }

void CEscaladoDlg::ModeChosen() {
    const bool pixels = PixelMode();
    const bool keep = keepProportions->isChecked();
    factorColumns->setReadOnly(pixels);
    factorRows->setReadOnly(pixels || keep);
    pixelColumns->setReadOnly(!pixels);
    pixelRows->setReadOnly(!pixels || keep);
    ShowNewSize();
    ParametersChanged();
}

void CEscaladoDlg::Proportions() {
    // Ticked, the rows follow the columns at once.
    if (keepProportions->isChecked()) {
        if (PixelMode()) {
            m_rows = m_columns;
            pixelRows->setText(pixelColumns->text());
        } else {
            m_fy = m_fx;
            factorRows->setText(factorColumns->text());
        }
    }
    ModeChosen();
}

void CEscaladoDlg::FactorTyped(bool columns) {
    QLineEdit* edit = columns ? factorColumns : factorRows;
    auto value = TypedDecimal(edit);
    if (!value) return;  // still being typed
    if (*value < 0) {
        value = 2.0;
        edit->setText("2,0");
    }
    (columns ? m_fx : m_fy) = *value;
    if (columns && keepProportions->isChecked()) {
        m_fy = m_fx;
        factorRows->setText(factorColumns->text());
    }
    ShowNewSize();
    ParametersChanged();
}

void CEscaladoDlg::PixelsTyped(bool columns) {
    QLineEdit* edit = columns ? pixelColumns : pixelRows;
    auto value = TypedInteger(edit);
    if (!value) return;
    if (*value < 0) {
        value = 0;
        edit->setText("0");
    }
    (columns ? m_columns : m_rows) = *value;
    if (columns && keepProportions->isChecked()) {
        m_rows = m_columns;
        pixelRows->setText(pixelColumns->text());
    }
    // The factors show what the sizes amount to.
    const int width = Backup().GetWidth(), height = Backup().GetHeight();
    factorColumns->setText(QString::asprintf("%.2f", width > 0 ? double(m_columns) / width : 0.0));
    factorRows->setText(QString::asprintf("%.2f", height > 0 ? double(m_rows) / height : 0.0));
    m_fx = TypedDecimal(factorColumns).value_or(0);
    m_fy = TypedDecimal(factorRows).value_or(0);
    ShowNewSize();
    ParametersChanged();
}

void CEscaladoDlg::ShowNewSize() {
    long long w = m_columns, h = m_rows;
    if (!PixelMode()) {
        // Shown, not used: a factor no size can hold shows as 0.
        const double dw = RoundHalfDown(Backup().GetWidth() * m_fx), dh = RoundHalfDown(Backup().GetHeight() * m_fy);
        w = dw < 1e15 ? static_cast<long long>(dw) : 0;
        h = dh < 1e15 ? static_cast<long long>(dh) : 0;
    }
    newSize->setText(SizeText("Nuevo Tamaño: ", w, h, "    Píxeles"));
}

Args CEscaladoDlg::CurrentArgs() const {
    if (PixelMode()) return Args({double(m_columns), double(m_rows), std::int64_t(1)});
    return Args({m_fx, m_fy, std::int64_t(0)});
}

// ---------------------------------------------------------------- rotation

CRotarDlg::CRotarDlg(CUtilidadView* view) : COperationDialog(view, kCmdRotate) {
    const auto& params = Operation().params;  // mode, alpha, beta, theta, background
    auto* options = new QHBoxLayout;
    auto* direction = new QVBoxLayout;
    right = new QRadioButton("Derecha");
    left = new QRadioButton("Izquierda");
    right->setChecked(true);
    direction->addWidget(right);
    direction->addWidget(left);
    AddFramed(options, "Dirección", direction);
    auto* size = new QVBoxLayout;
    newSize = new QRadioButton(Q(params[0].choices[0].label));
    originalSize = new QRadioButton(Q(params[0].choices[1].label));
    (params[0].defaultValue == 0 ? newSize : originalSize)->setChecked(true);
    size->addWidget(newSize);
    size->addWidget(originalSize);
    AddFramed(options, Q(params[0].label), size);
    Body()->addLayout(options);
    auto* directionGroup = new QButtonGroup(this);
    directionGroup->addButton(right);
    directionGroup->addButton(left);
    auto* sizeGroup = new QButtonGroup(this);
    sizeGroup->addButton(newSize);
    sizeGroup->addButton(originalSize);
    connect(directionGroup, &QButtonGroup::idClicked, this, &CRotarDlg::ParametersChanged);
    connect(sizeGroup, &QButtonGroup::idClicked, this, &CRotarDlg::ParametersChanged);

    auto* degrees = new QGridLayout;
    const char* axes[] = {"Eje X", "Eje Y", "Eje Z"};
    for (int axis = 0; axis < 3; ++axis) {
        const auto i = std::size_t(axis);
        degrees->addWidget(new QLabel(axes[i]), axis, 0);
        degrees->addWidget(new QLabel(Q(params[i + 1].label)), axis, 1);
        slider[i] = new QSlider(Qt::Horizontal);
        slider[i]->setRange(1, 360);
        slider[i]->setTickInterval(90);
        slider[i]->setTickPosition(QSlider::TicksBelow);
        slider[i]->setMinimumWidth(200);
        {
            const QSignalBlocker block(slider[i]);
            slider[i]->setValue(0);  // below the range: it shows at its start
        }
        m_angle[i] = params[i + 1].defaultValue;
        edit[i] = new QLineEdit(QString::number(m_angle[i]));
        edit[i]->setMaximumWidth(70);
        degrees->addWidget(slider[i], axis, 2);
        degrees->addWidget(edit[i], axis, 3);
        connect(slider[i], &QSlider::valueChanged, this, [this, axis](int position) { SliderMoved(axis, position); });
        connect(edit[i], &QLineEdit::textEdited, this, [this, axis] { AngleTyped(axis); });
    }
    AddFramed(Body(), "Grados", degrees);

    // Palette images start from the colour of their first entry.
    std::uint32_t colour = 0;
    if (Backup().GetBitCount() <= 8 && Backup().GetPaletteData()) {
        const RGBQUAD& first = Backup().GetPaletteData()[0];
        colour = first.rgbRed | (std::uint32_t(first.rgbGreen) << 8) | (std::uint32_t(first.rgbBlue) << 16);
    }
    background = new CColourButton(Q(params[4].label), colour, this);
    Body()->addWidget(background);
    connect(background, &CColourButton::ColourChanged, this, &CRotarDlg::ParametersChanged);
    AddPreviewBox();
}

void CRotarDlg::AngleTyped(int axis) {
    const auto i = std::size_t(axis);
    auto value = TypedDecimal(edit[i]);
    if (!value) return;
    if (*value <= 0 || *value >= 360) {
        value = 45.0;
        edit[i]->setText("45");
    }
    m_angle[i] = *value;
    {
        const QSignalBlocker block(slider[i]);
        slider[i]->setValue(int(*value));
    }
    ParametersChanged();
}

void CRotarDlg::SliderMoved(int axis, int position) {
    // Only the moved slider's angle: the others may hold angles their sliders cannot show (0).
    m_angle[std::size_t(axis)] = position;
    edit[std::size_t(axis)]->setText(QString::number(position));
    ParametersChanged();
}

Args CRotarDlg::CurrentArgs() const {
    const double sign = left->isChecked() ? -1 : 1;
    return Args({std::int64_t(newSize->isChecked() ? 0 : 1), sign * m_angle[0], sign * m_angle[1], sign * m_angle[2],
                 std::int64_t(background->ColourRef())});
}

// ---------------------------------------------------------------- crop

CRecortarDlg::CRecortarDlg(CUtilidadView* view) : COperationDialog(view, kCmdCrop) {
    const int width = Backup().GetWidth(), height = Backup().GetHeight();
    m_corner = {0, 0, width / 2, height / 2};
    auto* corners = new QHBoxLayout;
    const char* groups[] = {"Desde la coordenada ....", ".... hasta la coordenada ...."};
    const char* corner[] = {"Esquina Superior Izqda", "Esquina Inferior Drcha"};
    for (int g = 0; g < 2; ++g) {
        auto* grid = new QGridLayout;
        grid->addWidget(new QLabel(corner[g]), 0, 0, 1, 3);
        for (int k = 0; k < 2; ++k) {
            const int i = 2 * g + k;
            const auto u = std::size_t(i);
            grid->addWidget(new QLabel(k == 0 ? "Columna" : "Fila"), k + 1, 0);
            edit[u] = new QLineEdit(QString::number(m_corner[u]));
            edit[u]->setMaximumWidth(80);
            grid->addWidget(edit[u], k + 1, 1);
            auto* arrows = new QVBoxLayout;
            arrows->setSpacing(0);
            up[u] = Arrow(Qt::UpArrow);
            down[u] = Arrow(Qt::DownArrow);
            arrows->addWidget(up[u]);
            arrows->addWidget(down[u]);
            grid->addLayout(arrows, k + 1, 2);
            connect(edit[u], &QLineEdit::textEdited, this, [this, i] { Typed(i); });
            connect(up[u], &QToolButton::clicked, this, [this, i] { Spin(i, +1); });
            connect(down[u], &QToolButton::clicked, this, [this, i] { Spin(i, -1); });
        }
        AddFramed(corners, groups[g], grid);
    }
    Body()->addLayout(corners);
    originalSize = new QLabel(SizeText("  Tamaño Imagen Original:      ", width, height));
    newSize = new QLabel;
    Body()->addWidget(originalSize);
    Body()->addWidget(newSize);
    ShowNewSize();
    AddPreviewBox();
}

void CRecortarDlg::Show(int i) { edit[std::size_t(i)]->setText(QString::number(m_corner[std::size_t(i)])); }

void CRecortarDlg::Typed(int i) {
    const auto typed = TypedInteger(edit[std::size_t(i)]);
    if (!typed) return;
    int value = *typed;
    const int limit = i % 2 == 0 ? Backup().GetWidth() : Backup().GetHeight();
    if (i < 2) {  // the top-left corner stays before the bottom-right one
        if (value >= m_corner[std::size_t(i + 2)]) value = m_corner[std::size_t(i + 2)] - 1;
        if (value < 0) value = 0;
    } else if (value >= limit) {
        value = limit - 1;
    }
    m_corner[std::size_t(i)] = value;
    if (value != *typed) Show(i);
    ShowNewSize();
    ParametersChanged();
}

void CRecortarDlg::Spin(int i, int direction) {
    int& value = m_corner[std::size_t(i)];
    const int limit = i % 2 == 0 ? Backup().GetWidth() : Backup().GetHeight();
    const int high = i < 2 ? m_corner[std::size_t(i + 2)] - 1 : limit - 1;
    const int low = i < 2 ? 0 : m_corner[std::size_t(i - 2)];
    if (direction > 0 && value < high) ++value;
    else if (direction < 0 && value > low) --value;
    else return;
    Show(i);
    ShowNewSize();
    ParametersChanged();
}

void CRecortarDlg::ShowNewSize() {
    newSize->setText(SizeText("  Nuevo Tamaño Imagen:       ", (long long)m_corner[2] - m_corner[0] + 1,
                              (long long)m_corner[3] - m_corner[1] + 1));
}

void CRecortarDlg::accept() {
    // A rectangle the crop refuses is said so, and the dialog stays open to mend it.
    CVelora trial = Backup();
    if (Apply(trial) != 0) {
        velora::ui::ShowError(this, "Error. Rectángulo definido por las coordenadas incorrecto. Revise los valores");
        return;
    }
    COperationDialog::accept();
}

Args CRecortarDlg::CurrentArgs() const {
    return Args({std::int64_t(m_corner[0]), std::int64_t(m_corner[1]), std::int64_t(m_corner[2]), std::int64_t(m_corner[3])});
}
