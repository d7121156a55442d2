// The active colour model window: the model that equalization, non-linear contrast and
// channel separation work in. A click changes it at once.
#pragma once

#include <array>

#include "CVelora.h"
#include "Inspectors.h"

class QRadioButton;

class CSeleccModeloColorDlg : public CToolWindow {
    Q_OBJECT
public:
    explicit CSeleccModeloColorDlg(CWorkbench& bench);
    void Refresh() override;
    std::array<QRadioButton*, kColorModelCount> model{};
};
