// Every declared command from its declaration alone: its dialog opens titled, Cancelar keeps the image,
// Aceptar gives the declared calls' bytes in one labelled undo step, recorded as `velora apply` replays it.
#include <QFileInfo>
#include <QProcess>

#include "CommandTable.h"
#include "DialogTable.h"
#include "Operation.h"
#include "RecordWindow.h"
#include "WorkbenchFixture.h"

using namespace testing_support;
using namespace velora::catalog;

namespace {

// 24-bit colour if the operation takes it, else 8-bit gray, else 32 bits, else 1 bit; gray levels for gray-only commands.
CVelora ImageFor(const Operation& op, int commandId = 0) {
    // 32 columns where the library refuses 24 whatever the depth (the spectrum).
    const int w = op.takesSize && !op.takesSize(CVelora(nullptr, nullptr, 24, 16, 8)) ? 32 : 24;
    CVelora image = op.depths & kD24 ? RandomImage(w, 16, 24, 5)
                    : op.depths & kD8 ? RandomImage(w, 16, 8, 5, true)
                    : op.depths & kD32 ? RandomImage(w, 16, 32, 5)
                                       : RandomImage(w, 16, 1, 5);
    if (const CommandInfo* info = FindCommand(commandId); info && info->rule.extra == EnableExtra::Gray) image.ColorToGray(0);
    return image;
}

std::string Text(std::string_view s) { return std::string(s); }

class CatalogCommands : public Workbench {
protected:
    // The file the record's `velora apply` commands write; empty when they fail.
    std::vector<std::uint8_t> Replay(const CDocumentRecord& record) {
        const std::string out = dir + "/replay.bmp";
        std::filesystem::remove(out);
        for (const auto& command : record.Commands(out)) {
            QStringList args;
            for (std::size_t i = 1; i < command.size(); ++i) args << QString::fromStdString(command[i]);
            QProcess velora;
            velora.start(VELORA_CLI_PATH, args);
            EXPECT_TRUE(velora.waitForFinished(30000));
            EXPECT_EQ(velora.exitCode(), 0) << velora.readAllStandardError().toStdString();
        }
        return ReadFile(out);
    }
    std::vector<std::uint8_t> Saved(const CVelora& image) {
        const std::string path = dir + "/expected.bmp";
        EXPECT_EQ(image.SaveBMP(path), 0u);
        return ReadFile(path);
    }
};

}  // namespace

TEST_F(CatalogCommands, EveryBuiltCommandHasAHandler) {
    for (const CommandInfo& info : Commands())
        EXPECT_TRUE(!info.built || Frame().HasCommandHandler(info.id)) << info.id << " " << info.menuText;
    for (const Operation& op : Operations())
        for (const Command& c : op.commands) EXPECT_TRUE(Frame().HasCommandHandler(c.id)) << op.name;
}

TEST_F(CatalogCommands, DialogsGiveTheDeclaredCallsBytesAndRecordTheCommandLine) {
    int checked = 0;
    for (const Operation& op : Operations()) {
        for (const Command& c : op.commands) {
            if (!c.dialog || c.produces == Produces::NewWindow) continue;
            SCOPED_TRACE(Text(op.name));
            CUtilidadView* view = OpenImage(Text(op.name) + ".bmp", ImageFor(op, c.id));
            CUtilidadDoc& doc = view->Document();
            const CVelora before = doc.Image();
            {
                auto dialog = MakeOperationDialog(c.id, view);
                const std::string title = c.dialog->titlePrefix.empty() ? Text(c.dialog->caption)
                                                                        : ImageTitle(c.dialog->titlePrefix, doc.Image());
                // A dialog may add what it shows of its parameters (the threshold's " con L-1 = 255").
                EXPECT_TRUE(dialog->windowTitle().startsWith(QString::fromStdString(title)))
                    << dialog->windowTitle().toStdString();
                dialog->reject();
            }
            EXPECT_EQ(Block(doc.Image()), Block(before));
            EXPECT_FALSE(doc.History().CanUndo());

            auto dialog = MakeOperationDialog(c.id, view);
            // A dialog that chooses among the open images gets this one in each list.
            for (QComboBox* box : dialog->findChildren<QComboBox*>())
                if (const int item = box->findText(QString::fromStdString(doc.Title())); item >= 0) {
                    box->setCurrentIndex(item);
                    emit box->activated(item);
                }
            auto steps = dialog->CurrentSteps();
            CVelora expected = before;
            for (auto& step : steps) {
                // A second image that is this one is taken as it was, not as previewed.
                for (auto& value : step.args.Values())
                    if (auto* image = std::get_if<std::shared_ptr<const CVelora>>(&value); image && image->get() == &doc.Image())
                        *image = std::make_shared<const CVelora>(before);
                ASSERT_EQ(step.operation->call(expected, step.args), 0u);
            }
            dialog->accept();
            if (steps.empty()) {  // nothing chosen yet (the depth the image has): nothing done
                EXPECT_FALSE(doc.History().CanUndo());
                continue;
            }
            ASSERT_EQ(doc.History().Position(), 1);
            EXPECT_EQ(doc.History().Description(0), c.undoLabel);
            EXPECT_TRUE(Frame().TimingText().startsWith(QString::fromStdString("Tiempo de " + Text(c.timingLabel) + ": ")))
                << Frame().TimingText().toStdString();
            // The random operations drew from the seed the record keeps.
            EXPECT_EQ(doc.Record().Last()->seed.has_value(), op.drawsRandomNumbers);
            if (const auto seed = doc.Record().Last()->seed) {
                const FixedSeed fixed(*seed);
                expected = before;
                for (const auto& step : steps) ASSERT_EQ(step.operation->call(expected, step.args), 0u);
            }
            EXPECT_EQ(Block(doc.Image()), Block(expected));
            ASSERT_NE(doc.Record().Last(), nullptr);
            EXPECT_EQ(doc.Record().Last()->steps.size(), steps.size());
            EXPECT_EQ(Replay(doc.Record()), Saved(doc.Image()));
            ++checked;
        }
    }
    EXPECT_GE(checked, 25);
}

TEST_F(CatalogCommands, CommandsWithoutADialogRunAtOnceOrOpenTheirWindows) {
    for (const Operation& op : Operations()) {
        for (const Command& c : op.commands) {
            if (c.dialog || c.asksForFile) continue;
            // A new window without a declared name: a dialog of its own opens and names it.
            if (c.produces == Produces::NewWindow && c.resultName.empty()) continue;
            SCOPED_TRACE(Text(op.name) + " " + std::to_string(c.id));
            CUtilidadView* view = OpenImage(Text(op.name) + ".bmp", ImageFor(op));
            const CVelora original = view->Document().Image();
            const int windows = int(Frame().Children().size());
            RunCommand(c.id);
            const std::string model = FindColorModel(Frame().ColorModel())->shortName;
            EXPECT_TRUE(Frame().TimingText().startsWith(QString::fromStdString("Tiempo de " + ExpandLabel(c.timingLabel, model))));
            if (c.produces == Produces::InPlace) {
                ASSERT_EQ(view->Document().History().Position(), 1);
                EXPECT_EQ(view->Document().History().Description(0), ExpandLabel(c.undoLabel, model));
                EXPECT_EQ(Replay(view->Document().Record()), Saved(view->Document().Image()));
                continue;
            }
            // One window per value of a fan-out; the last, in front, continues the source's record with its step.
            const std::size_t opened = c.fanOut ? c.fanOut->values(original).size() : 1;
            EXPECT_EQ(int(Frame().Children().size()), windows + int(opened));
            CUtilidadDoc* result = Frame().ActiveDocument();
            EXPECT_NE(result, &view->Document());
            EXPECT_EQ(result->IsModified(), !c.resultsUnmodified);
            EXPECT_NE(result->Title().find('.'), std::string::npos) << result->Title();  // a name "Guardar" can use
            EXPECT_EQ(Block(view->Document().Image()), Block(original));
            EXPECT_EQ(Replay(result->Record()), Saved(result->Image()));
        }
    }
}

// "Entrelazar" opens its result and stays open; a pair that does not fit is said so and opens nothing.
TEST_F(CatalogCommands, InterlaceOpensANamedWindowAndSaysWhyAPairDoesNotFit) {
    OpenImage("a.bmp", RandomImage(20, 10, 24, 1));
    CUtilidadView* view = OpenImage("b.bmp", RandomImage(20, 12, 24, 2));
    auto dialog = MakeOperationDialog(kCmdInterlace, view);
    dialog->show();
    const auto choosers = dialog->findChildren<QComboBox*>();
    ASSERT_EQ(choosers.size(), 2);
    choosers[1]->setCurrentIndex(1);  // A and B
    const int windows = int(Frame().Children().size());
    dialog->accept();  // rows of two images 20 wide: fits
    Settle();
    ASSERT_EQ(int(Frame().Children().size()), windows + 1);
    EXPECT_EQ(Frame().ActiveDocument()->Image().GetName(), "Entrelazado de Imágenes.bmp");
    EXPECT_TRUE(dialog->isVisible());

    auto* kind = dialog->findChild<QButtonGroup*>();
    ASSERT_NE(kind, nullptr);
    kind->button(1)->click();  // columns of images 10 and 12 high: refused
    messages.clear();
    dialog->accept();
    Settle();
    EXPECT_EQ(int(Frame().Children().size()), windows + 1);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].endsWith("Error. Las imágenes tienen distinto nº de filas")) << messages[0].toStdString();
    dialog->reject();
}

// Several dialogs, undone and redone, saved from "Registro" as a script that remakes every image.
TEST_F(CatalogCommands, TheRecordedSessionReplaysAsAScript) {
    CUtilidadView* first = OpenImage("sesion.bmp", RandomImage(40, 30, 24, 8));
    const auto run = [&](int command, const std::function<void(COperationDialog&)>& set) {
        auto dialog = MakeOperationDialog(command, Frame().ActiveView());
        dialog->show();
        set(*dialog);
        dialog->accept();
        Settle();
    };
    run(kCmdBrightness, [](COperationDialog& d) { Finish(d.findChild<CSliderEdit*>()->Edit(), "35"); });
    run(kCmdMosaic, [](COperationDialog& d) { Finish(d.findChild<CSliderEdit*>()->Edit(), "3"); });
    run(kCmdGamma, [](COperationDialog&) {});
    run(kCmdHoover, [](COperationDialog&) {});  // random: replayed with its seed
    ASSERT_TRUE(first->Document().Undo());
    run(kCmdShear, [](COperationDialog& d) { d.findChild<CSliderEdit*>()->Slider()->setValue(25); });
    Frame().Execute(kCmdFlipHorizontal);
    RunCommand(kCmdBitPlanes);
    ASSERT_NE(Frame().ActiveDocument(), &first->Document());

    CRegistroDlg record(Frame().Workbench());
    record.Refresh();
    const std::string script = dir + "/sesion.sh";
    CRegistroDlg::askScriptPath = [&](QWidget*) { return QString::fromStdString(script); };
    record.SaveScript();
    QProcess shell;
    shell.setWorkingDirectory(QString::fromStdString(dir));
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PATH", QFileInfo(VELORA_CLI_PATH).absolutePath() + ":" + environment.value("PATH"));
    shell.setProcessEnvironment(environment);
    shell.start("sh", {QString::fromStdString(script)});
    ASSERT_TRUE(shell.waitForFinished(60000));
    ASSERT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
    int compared = 0;
    for (const auto& document : Frame().Workbench().OpenDocuments()) {
        std::string stem = document->Title().substr(0, document->Title().rfind('.'));
        EXPECT_EQ(ReadFile(dir + "/" + stem + "-velora.bmp"), Saved(document->Image())) << document->Title();
        ++compared;
    }
    EXPECT_GE(compared, 25);  // the image and its 24 bit planes
}
