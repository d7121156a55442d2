#include "CInfoMonitoresDlg.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

std::vector<MonitorInfo> QueryMonitors() {
    std::vector<MonitorInfo> list;
    for (QScreen* screen : QGuiApplication::screens()) {
        MonitorInfo m;
        m.name = screen->name();
        // Device pixels: what the monitor really has, whatever scaling the desktop applies.
        const QSize pixels = screen->size() * screen->devicePixelRatio();
        m.widthPixels = pixels.width();
        m.heightPixels = pixels.height();
        m.widthMm = screen->physicalSize().width();
        m.heightMm = screen->physicalSize().height();
        m.logicalDpi = screen->logicalDotsPerInch();
        m.physicalDpi = screen->physicalDotsPerInch();
        m.primary = screen == QGuiApplication::primaryScreen();
        list.push_back(m);
    }
    return list;
}

CInfoMonitoresDlg::CInfoMonitoresDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Monitores del Sistema");
    const auto monitors = QueryMonitors();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString("Número de monitores: %1").arg(monitors.size())));
    auto* table = new QTableWidget(int(monitors.size()), 6);
    table->setHorizontalHeaderLabels({"Monitor", "Resolución (píx.)", "Tamaño (mm)", "PPP lógicos", "PPP físicos", "Principal"});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int i = 0; i < int(monitors.size()); ++i) {
        const MonitorInfo& m = monitors[std::size_t(i)];
        const QString cells[6] = {m.name,
                                  QString("%1 x %2").arg(m.widthPixels).arg(m.heightPixels),
                                  QString("%1 x %2").arg(m.widthMm, 0, 'f', 0).arg(m.heightMm, 0, 'f', 0),
                                  QString::number(m.logicalDpi, 'f', 1),
                                  QString::number(m.physicalDpi, 'f', 1),
                                  m.primary ? "Sí" : "No"};
        for (int c = 0; c < 6; ++c) table->setItem(i, c, new QTableWidgetItem(cells[c]));
    }
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(table);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton("Cerrar", QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(640, 240);
}
