#include "PixelValueDialogs.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "DialogTable.h"
#include "Help.h"
#include "QtText.h"

namespace {

using velora::catalog::Args;
using velora::catalog::FindOperation;
using velora::ui::Q;

int CodeOfDepth(int bits) {
    switch (bits) {
        case 1: return 0;
        case 4: return 1;
        case 8: return 2;
        case 24: return 3;
        default: return 4;
    }
}

}  // namespace

CIntegerBox::CIntegerBox(const QString& label, int minimum, int maximum, int value, QWidget* parent)
    : QWidget(parent), m_value(value) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(label));
    m_edit = new QLineEdit(QString::number(value));
    m_edit->setMaximumWidth(80);
    row->addWidget(m_edit);
    row->addStretch(1);
    auto* typed = new CTypedNumber(m_edit, CTypedNumber::Kind::Integer, [minimum, maximum] {
        return std::pair{double(minimum), double(maximum)};
    });
    connect(typed, &CTypedNumber::Taken, this, [this](double taken) {
        if (int(taken) == m_value) return;
        m_value = int(taken);
        emit ValueChanged(m_value);
    });
}

// ---------------------------------------------------------------- fill the bitmap

CFijarValoresBitmapDlg::CFijarValoresBitmapDlg(CUtilidadView* view) : COperationDialog(view, kCmdFillBitmap) {
    const CVelora& image = Backup();
    if (image.GetBitCount() <= 8) {
        const int largest = int(std::min(image.GetNumColors(), image.GetMaxColors())) - 1;
        index = new CIntegerBox(QString::asprintf("Valor (0..%d) del bitmap", largest), 0, largest, 0);
        Body()->addWidget(index);
        connect(index, &CIntegerBox::ValueChanged, this, [this] { ParametersChanged(); });
    } else {
        const auto& rgbParams = FindOperation("InitializeRGB")->params;
        for (std::size_t i = 0; i < 3; ++i) {
            const auto& param = rgbParams[i];
            rgb[i] = new CIntegerBox(Q(param.label), int(param.range->min), int(param.range->max), int(param.defaultValue));
            Body()->addWidget(rgb[i]);
            connect(rgb[i], &CIntegerBox::ValueChanged, this, [this] { ParametersChanged(); });
        }
    }
    // How single pixels are set, for those who go on to write their own code.
    pixelHelpButton = new QPushButton("Ayuda SetRGBPixel");
    Body()->addWidget(pixelHelpButton, 0, Qt::AlignLeft);
    connect(pixelHelpButton, &QPushButton::clicked, this,
            [this] { velora::ui::ShowHelpTopic(HelpTopics::kSetRGBPixel, this); });
}

Args CFijarValoresBitmapDlg::CurrentArgs() const { return Args({std::int64_t(index ? index->Value() : 0)}); }

std::vector<COperationDialog::Step> CFijarValoresBitmapDlg::CurrentSteps() const {
    if (index) return {{&Operation(), CurrentArgs()}};
    return {{FindOperation("InitializeRGB"),
             Args({std::int64_t(rgb[0]->Value()), std::int64_t(rgb[1]->Value()), std::int64_t(rgb[2]->Value())})}};
}

// ---------------------------------------------------------------- colour depth

CCambiarProfundidadColor::CCambiarProfundidadColor(CUtilidadView* view) : COperationDialog(view, kCmdColorDepth) {
    const CVelora& image = Backup();
    const int current = CodeOfDepth(image.GetBitCount());
    // 4 and 8 bits hold gray levels only: a colour image cannot take them.
    const bool grayTargets = image.GetBitCount() == 1 || image.IsGray();
    const auto& param = Operation().params[0];
    QVBoxLayout* layout = AddGroup(Q(param.label));
    auto* group = new QButtonGroup(this);
    for (const auto& c : param.choices) {
        auto* radio = new QRadioButton(Q(c.label));
        depth.at(std::size_t(c.value)) = radio;
        group->addButton(radio, c.value);
        layout->addWidget(radio);
        const bool offered = c.value != current && (grayTargets || (c.value != 1 && c.value != 2));
        radio->setEnabled(offered);
    }
    // The image's own depth is shown chosen: "Aceptar" without a choice changes nothing.
    m_code = m_current = current;
    depth[std::size_t(current)]->setChecked(true);
    connect(group, &QButtonGroup::idClicked, this, [this](int code) {
        m_code = code;
        ParametersChanged();
    });
}

Args CCambiarProfundidadColor::CurrentArgs() const { return Args({std::int64_t(m_code)}); }

std::vector<COperationDialog::Step> CCambiarProfundidadColor::CurrentSteps() const {
    if (m_code == m_current) return {};  // the image keeps its depth: nothing to do, nothing to undo
    return {{&Operation(), CurrentArgs()}};
}
