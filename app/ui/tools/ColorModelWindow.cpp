#include "ColorModelWindow.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "DialogTable.h"
#include "Help.h"
#include "Workbench.h"

CSeleccModeloColorDlg::CSeleccModeloColorDlg(CWorkbench& bench) : CToolWindow(bench) {
    setWindowTitle("Modelo Color Activo");
    auto* layout = new QVBoxLayout(this);
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < kColorModelCount; ++i) {
        model[std::size_t(i)] = new QRadioButton(FindColorModel(i)->name);
        group->addButton(model[std::size_t(i)], i);
        layout->addWidget(model[std::size_t(i)]);
    }
    connect(group, &QButtonGroup::idClicked, this, [this](int id) { m_bench.SetColorModel(id); });
    connect(&m_bench, &CWorkbench::ColorModelChanged, this, &CSeleccModeloColorDlg::Refresh);
    auto* buttons = new QHBoxLayout;
    auto* close = new QPushButton("Cerrar");
    auto* help = new QPushButton("Ayuda");
    buttons->addWidget(close);
    buttons->addWidget(help);
    layout->addLayout(buttons);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(help, &QPushButton::clicked, this, [this] { velora::ui::ShowHelpTopic(HelpTopics::kColorModel, this); });
    Refresh();
}

void CSeleccModeloColorDlg::Refresh() {
    const int active = m_bench.ColorModel();
    if (active >= 0 && active < kColorModelCount) model[std::size_t(active)]->setChecked(true);
}
