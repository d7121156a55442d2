// CGenericOperationDialog: an operation's dialog built from its declaration. Each parameter
// the user sets gets its control, in the declared order, with the declared label, range and
// default: a slider with its edit box for integers, a decimal edit with arrows, check
// boxes, a radio group for choices, a colour button, a chooser of the open images, a path
// edit. Parameters the command fixes and the active colour model take no control. An
// operation whose dialog this cannot express has a custom dialog instead (CustomDialogs.cpp).
#pragma once

#include <QPushButton>
#include <functional>
#include <string_view>
#include <vector>

#include "OperationDialog.h"

class QButtonGroup;
class QComboBox;
class QLineEdit;

// A decimal number typed in an edit box (CTypedNumber's rule, a decimal comma accepted) or
// stepped with the arrows; kept inside the range.
class CDecimalEdit : public QWidget {
    Q_OBJECT
public:
    CDecimalEdit(const QString& label, double value, double step, velora::catalog::Range range, QWidget* parent = nullptr);
    double Value() const { return m_value; }
    QString Text() const;
    QLineEdit* Edit() const { return m_edit; }
    // One click of an arrow: +1 up, -1 down.
    void Step(int direction);

signals:
    void ValueChanged(double value);

private:
    void Take(double value);
    QLineEdit* m_edit;
    CTypedNumber* m_typed;
    double m_value;
    double m_step;
    velora::catalog::Range m_range;
};

// A button that shows a colour and asks for another when clicked. The value is a colour
// reference (red in the low byte).
class CColourButton : public QPushButton {
    Q_OBJECT
public:
    CColourButton(const QString& label, std::uint32_t colourRef, QWidget* parent = nullptr);
    std::uint32_t ColourRef() const { return m_colourRef; }
    void SetColourRef(std::uint32_t colourRef);
    // The colour question; replaced by tests. Returns false when cancelled.
    static std::function<bool(QWidget* parent, std::uint32_t& colourRef)> askColour;

signals:
    void ColourChanged(std::uint32_t colourRef);

private:
    std::uint32_t m_colourRef;
};

class CGenericOperationDialog : public COperationDialog {
    Q_OBJECT
public:
    CGenericOperationDialog(CUtilidadView* view, int commandId);
    CGenericOperationDialog(CUtilidadView* view, const velora::catalog::Operation& op, const velora::catalog::Command& command);

    // The control of a parameter, by its declared name; nullptr for a parameter without one
    // or of another kind.
    CSliderEdit* SliderEdit(std::string_view param) const;
    CDecimalEdit* DecimalEdit(std::string_view param) const;
    QCheckBox* CheckBox(std::string_view param) const;
    QButtonGroup* ChoiceGroup(std::string_view param) const;
    CColourButton* ColourButton(std::string_view param) const;
    QComboBox* ImageChooser(std::string_view param) const;
    QLineEdit* TextEdit(std::string_view param) const;  // paths and integer lists

    // The arguments as the controls, the command's presets and the active model give them.
    velora::catalog::Args CurrentArgs() const;

protected:
    unsigned Apply(CVelora& image) override;
    unsigned ApplyStepByStep(CVelora& image, CStepProgress& progress) override;

private:
    struct Slot {
        QWidget* control = nullptr;
        std::function<velora::catalog::ArgValue()> value;
        std::function<std::string()> text;  // what a parameter file records
    };
    void BuildControls();
    Slot MakeControl(const velora::catalog::Param& param, QLayout* into);
    template <class Widget>
    Widget* ControlOf(std::string_view param) const;

    std::vector<Slot> m_slots;  // one per declared parameter
};
