#include "ConfigDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "Help.h"

CConfigDlg::CConfigDlg(CConfiguration& configuration, QWidget* parent)
    : QDialog(parent), m_configuration(configuration) {
    setWindowTitle("Configuración de CVeloraMDI ...");
    static const char* const kTexts[5] = {
        "Con estilo de menús XP (No marcada -> estilo Clásico)",
        "Con modo de ejecución Paso a Paso",
        "Al Cargar una Paleta de disco visualizarla con el Bloc de Notas",
        "Al cargar la 1ª imagen, visualizar Diálogos No Modales  (Información de la Imagen, Histograma, Propiedades DIB, Selección de Modelo de Color)",
        "Diálogos No Modales siempre en primer plano",
    };
    const ConfigSwitches& s = configuration.switches;
    const std::uint32_t values[5] = {s.menusXP, s.stepByStep, s.notepad, s.loadModeless, s.modelessOnTop};
    auto* group = new QGroupBox("Arrancar la aplicación ...");
    auto* groupLayout = new QVBoxLayout(group);
    for (int i = 0; i < 5; ++i) {
        m_boxes[i] = new QCheckBox(QString::fromUtf8(kTexts[i]));
        m_boxes[i]->setChecked(values[i] != 0);
        groupLayout->addWidget(m_boxes[i]);
    }
    // The menu style and the stacking switch are kept in the file but not offered here.
    m_boxes[0]->hide();
    m_boxes[4]->hide();
    auto* buttons = new QDialogButtonBox;
    buttons->addButton("Aceptar", QDialogButtonBox::AcceptRole);
    buttons->addButton("Cancelar", QDialogButtonBox::RejectRole);
    QPushButton* help = buttons->addButton("Ayuda", QDialogButtonBox::HelpRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CConfigDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CConfigDlg::reject);
    connect(help, &QPushButton::clicked, this,
            [this] { velora::ui::ShowHelpTopic("CVelora.chm::/Ayuda/Ayuda/ConfigCVeloraMDI.htm", this); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);
}

void CConfigDlg::accept() {
    ConfigSwitches& s = m_configuration.switches;
    s.stepByStep = m_boxes[1]->isChecked() ? 1 : 0;
    s.notepad = m_boxes[2]->isChecked() ? 1 : 0;
    s.loadModeless = m_boxes[3]->isChecked() ? 1 : 0;
    s.modelessOnTop = m_boxes[4]->isChecked() ? 1 : 0;
    m_configuration.writeOnExit = true;
    QDialog::accept();
}
