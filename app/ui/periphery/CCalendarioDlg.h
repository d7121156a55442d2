// A calendar, for the date of a practical session.
#pragma once

#include <QDialog>

class CCalendarioDlg : public QDialog {
    Q_OBJECT
public:
    explicit CCalendarioDlg(QWidget* parent = nullptr);
};
