#include "CAboutDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>
#include <QtGlobal>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Acerca de CVeloraMDI");
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel("<b>CVeloraMDI v3.9 x64 - Herramienta de Aplicación de la Librería para el Tratamiento de "
                             "Imágenes Digitales CVELORA</b>");
    title->setWordWrap(true);
    layout->addWidget(title);
    layout->addWidget(new QLabel(QString("Versión para Linux, con Qt %1").arg(qVersion())));
    auto* text = new QLabel(
        "Banco de trabajo para la enseñanza del tratamiento digital de imágenes. Todas las operaciones "
        "pertenecen a la clase CVelora, que puede usarse como biblioteca propia en C++ estándar, y se pueden "
        "reproducir desde la línea de órdenes con «velora».");
    text->setWordWrap(true);
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton("Aceptar", QDialogButtonBox::AcceptRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}
