#include "CCalendarioDlg.h"

#include <QCalendarWidget>
#include <QDate>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

CCalendarioDlg::CCalendarioDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Calendario");
    const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Hoy es " + spanish.toString(QDate::currentDate(), "dddd, d 'de' MMMM 'de' yyyy")));
    auto* calendar = new QCalendarWidget;
    calendar->setLocale(spanish);
    calendar->setFirstDayOfWeek(Qt::Monday);
    calendar->setGridVisible(true);
    layout->addWidget(calendar);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton("Cerrar", QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}
