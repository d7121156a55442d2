// Every declared command in the workbench, from its declaration alone: it has a handler, its
// dialog (generic or custom) opens with the declared title, "Aceptar" adds one undo step with
// the declared label and times the operation under the declared label, "Cancelar" leaves the
// image as it was; a command without a dialog does the same at once, or opens its new window.
#include <QComboBox>

#include "ChildFrame.h"
#include "CommandTable.h"
#include "CustomDialogs.h"
#include "DialogTable.h"
#include "OperationDialog.h"
#include "Operation.h"
#include "WorkbenchFixture.h"

using namespace testing_support;
using namespace velora::catalog;

namespace {

// An image the operation takes: 24-bit colour when it can, else 8-bit gray, else 32 bits;
// gray levels in 24 bits for a command enabled only on gray images.
CVelora ImageFor(const Operation& op, int commandId = 0) {
    // 32 columns where the library refuses 24 whatever the depth (the spectrum).
    const int w = op.takesSize && !op.takesSize(CVelora(nullptr, nullptr, 24, 16, 8)) ? 32 : 24;
    CVelora image = op.depths & kD24 ? RandomImage(w, 16, 24, 5)
                    : op.depths & kD8 ? RandomImage(w, 16, 8, 5, true)
                                      : RandomImage(w, 16, 32, 5);
    if (const CommandInfo* info = FindCommand(commandId); info && info->rule.extra == EnableExtra::Gray) image.ColorToGray(0);
    return image;
}

std::string Text(std::string_view s) { return std::string(s); }

class CatalogCommands : public Workbench {};

}  // namespace

TEST_F(CatalogCommands, EveryBuiltCommandHasAHandler) {
    for (const CommandInfo& info : Commands())
        EXPECT_TRUE(!info.built || Frame().HasCommandHandler(info.id)) << info.id << " " << info.menuText;
    for (const Operation& op : Operations())
        for (const Command& c : op.commands) EXPECT_TRUE(Frame().HasCommandHandler(c.id)) << op.name;
}

TEST_F(CatalogCommands, DialogsOkAddOneLabelledUndoStepAndCancelRestores) {
    int checked = 0;
    for (const Operation& op : Operations()) {
        for (const Command& c : op.commands) {
            if (!c.dialog) continue;
            SCOPED_TRACE(Text(op.name));
            CUtilidadView* view = OpenImage(Text(op.name) + ".bmp", ImageFor(op, c.id));
            CUtilidadDoc& doc = view->Document();
            const auto before = Block(doc.Image());
            {
                auto dialog = MakeOperationDialog(c.id, view);
                const std::string title = c.dialog->titlePrefix.empty() ? Text(c.dialog->caption)
                                                                        : ImageTitle(c.dialog->titlePrefix, doc.Image());
                // A dialog may add what it shows of its parameters (the threshold's " con L-1 = 255").
                EXPECT_TRUE(dialog->windowTitle().startsWith(QString::fromStdString(title)))
                    << dialog->windowTitle().toStdString();
                dialog->reject();
            }
            EXPECT_EQ(Block(doc.Image()), before);
            EXPECT_FALSE(doc.History().CanUndo());
            if (c.produces == Produces::NewWindow) continue;  // its own tests open the windows

            auto dialog = MakeOperationDialog(c.id, view);
            // A dialog that chooses among the open images gets the first of each list.
            for (QComboBox* box : dialog->findChildren<QComboBox*>())
                if (box->currentIndex() < 0 && box->count() > 0) emit box->activated(0);
            dialog->accept();
            ASSERT_EQ(doc.History().Position(), 1);
            EXPECT_EQ(doc.History().Description(0), c.undoLabel);
            EXPECT_TRUE(Frame().TimingText().startsWith(QString::fromStdString("Tiempo de " + Text(c.timingLabel) + ": ")))
                << Frame().TimingText().toStdString();
            ++checked;
        }
    }
    EXPECT_GE(checked, 5);
}

TEST_F(CatalogCommands, CommandsWithoutADialogRunAtOnceOrOpenTheirWindow) {
    for (const Operation& op : Operations()) {
        for (const Command& c : op.commands) {
            if (c.dialog) continue;
            // A new window without a declared name: a dialog of its own opens and names it.
            if (c.produces == Produces::NewWindow && c.resultName.empty()) continue;
            SCOPED_TRACE(Text(op.name) + " " + std::to_string(c.id));
            CUtilidadView* view = OpenImage(Text(op.name) + ".bmp", ImageFor(op));
            const CVelora original = view->Document().Image();
            const int windows = int(Frame().Children().size());
            Frame().Execute(c.id);
            Settle();
            const std::string model = FindColorModel(Frame().ColorModel())->shortName;
            if (c.produces == Produces::InPlace) {
                ASSERT_EQ(view->Document().History().Position(), 1);
                EXPECT_EQ(view->Document().History().Description(0), ExpandLabel(c.undoLabel, model));
            } else {
                EXPECT_EQ(int(Frame().Children().size()), windows + 1);
                EXPECT_EQ(Frame().ActiveDocument()->Title(), ExpandLabel(c.resultName, model, ImageTitle("", original)));
                EXPECT_EQ(Block(view->Document().Image()), Block(original));
            }
            EXPECT_TRUE(Frame().TimingText().startsWith(QString::fromStdString("Tiempo de " + ExpandLabel(c.timingLabel, model))));
        }
    }
}
