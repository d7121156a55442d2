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
class QLabel;
class QLineEdit;

// A number typed in an edit box (CTypedNumber's rule) or stepped with the arrows; kept
// inside the range. Decimal by default; an integer box shows whole numbers.
class CDecimalEdit : public QWidget {
    Q_OBJECT
public:
    CDecimalEdit(const QString& label, double value, double step, velora::catalog::Range range, QWidget* parent = nullptr,
                 CTypedNumber::Kind kind = CTypedNumber::Kind::Decimal);
    double Value() const { return m_value; }
    void SetValue(double value);  // writes the box, without signals
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
    CTypedNumber::Kind m_kind;
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
    velora::catalog::Args CurrentArgs() const override;
    // The text under a control (Param::note), or of a choice group's chosen note.
    QLabel* NoteOf(std::string_view param) const;
    // A faster way to the declared call's result, for previews that must keep up with a
    // slider on large images; "Aceptar" runs it too, so it must give the same bytes.
    using FastApply = std::function<unsigned(CVelora& image, const velora::catalog::Args& args)>;
    void SetFastApply(FastApply apply) { m_fastApply = std::move(apply); }

protected:
    unsigned Apply(CVelora& image) override;

private:
    struct Slot {
        QWidget* control = nullptr;
        std::function<velora::catalog::ArgValue()> value;
        std::function<std::string()> text;  // what a parameter file records
        QLabel* note = nullptr;
        std::function<void()> reset{};  // back to the value it started with
    };
    void BuildControls();
    // What the declarations say between parameters: ordered pairs, tied values, enabling.
    void RelateControls();
    Slot MakeControl(const velora::catalog::Param& param, QLayout* into);
    template <class Widget>
    Widget* ControlOf(std::string_view param) const;

    std::vector<Slot> m_slots;  // one per declared parameter
    FastApply m_fastApply;
};
