// The fixture of the workbench tests: a main frame on the offscreen platform, with the
// dialogs' commands installed as the program does, whose message boxes and questions are
// recorded instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QTest>
#include <filesystem>
#include <memory>

#include "Configuration.h"
#include "InstallDialogs.h"
#include "MainFrame.h"
#include "Messages.h"
#include "TestImages.h"
#include "View.h"

class Workbench : public ::testing::Test {
protected:
    void SetUp() override {
        dir = testing_support::TempPath("gui");
        std::filesystem::create_directories(dir);
        config = std::make_unique<CConfiguration>(dir);
        config->switches = CConfiguration::Defaults();
        config->switches.loadModeless = 0;
        QSettings("Velora", "CVeloraMDI").remove("toolWindowLayout");  // each test starts from the docks' first places
        velora::ui::MessageSink::show = [this](QWidget*, velora::ui::MessageKind, const QString& caption, const QString& text) {
            messages << caption + "|" + text;
        };
        velora::ui::MessageSink::ask = [this](QWidget*, const QString&, const QString& text, int) {
            questions << text;
            return answer;
        };
    }
    void TearDown() override { frame.reset(); }

    CMainFrame& Frame() {
        if (!frame) {
            frame = std::make_unique<CMainFrame>(*config);
            InstallDialogCommands(*frame, frame->Workbench());
            frame->resize(1400, 1000);
            frame->show();
            QApplication::processEvents();
        }
        return *frame;
    }
    void Settle() {
        for (int i = 0; i < 5; ++i) {
            QApplication::processEvents();
            QTest::qWait(5);
        }
    }
    // Opens an image in a new window and returns its view.
    CUtilidadView* OpenImage(const std::string& name, const CVelora& image) {
        EXPECT_TRUE(Frame().OpenFile(WriteImage(name, image)));
        Settle();
        return Frame().ActiveView();
    }
    QString WriteImage(const std::string& name, const CVelora& image) {
        const std::string path = dir + "/" + name;
        EXPECT_EQ(image.SaveBMP(path), 0u);
        return QString::fromStdString(path);
    }

    std::string dir;
    std::unique_ptr<CConfiguration> config;
    std::unique_ptr<CMainFrame> frame;
    QStringList messages, questions;
    int answer = QMessageBox::Yes;
};

namespace testing_support {

// A user's typing into a number box, replacing what it held.
inline void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
}
// The user is done with the box: the focus leaves it (the offscreen platform moves no focus
// between windows, so the box is told directly).
inline void Leave(QLineEdit* edit) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(edit, &out);
}
inline void Finish(QLineEdit* edit, const QString& text) {
    Type(edit, text);
    Leave(edit);
}

}  // namespace testing_support

// The fixture of the dialog tests: an image opened as the user would, kept as it was read
// back from its file.
class DialogWorkbench : public Workbench {
protected:
    CUtilidadView* Open(const std::string& name, const CVelora& image) {
        CUtilidadView* view = OpenImage(name, image);
        original = view->Document().Image();
        return view;
    }
    CVelora original;
};
