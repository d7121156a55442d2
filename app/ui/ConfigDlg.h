// CConfigDlg: the start-up switches. Accepting it marks the file to be rewritten at exit.
#pragma once

#include <QDialog>

#include "Configuration.h"

class QCheckBox;

class CConfigDlg : public QDialog {
    Q_OBJECT
public:
    CConfigDlg(CConfiguration& configuration, QWidget* parent);
    QCheckBox* Box(int index) const { return m_boxes[index]; }
    void accept() override;

private:
    CConfiguration& m_configuration;
    QCheckBox* m_boxes[5] = {};
};
