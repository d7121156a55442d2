// The monitors of the system: resolution, physical size and pixels per inch of each.
#pragma once

#include <QDialog>
#include <QString>
#include <vector>

struct MonitorInfo {
    QString name;
    int widthPixels = 0, heightPixels = 0;
    double widthMm = 0, heightMm = 0;
    double logicalDpi = 0, physicalDpi = 0;
    bool primary = false;
};

std::vector<MonitorInfo> QueryMonitors();

class CInfoMonitoresDlg : public QDialog {
    Q_OBJECT
public:
    explicit CInfoMonitoresDlg(QWidget* parent = nullptr);
};
