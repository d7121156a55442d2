// Workbench tests: an offscreen main frame whose message boxes and questions are recorded, not shown.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <unistd.h>

#include "ChildFrame.h"
#include "CommandIds.h"
#include "Configuration.h"
#include "CustomDialogs.h"
#include "GenericOperationDialog.h"
#include "InstallDialogs.h"
#include "MainFrame.h"
#include "Messages.h"
#include "OperationDialog.h"
#include "PaletteDialogs.h"
#include "RandomSeed.h"
#include "TestImages.h"
#include "View.h"
#include "Workbench.h"

class Workbench : public ::testing::Test {
protected:
    void SetUp() override {
        // Each test is its own process, and ctest runs two at once: a folder of its own.
        dir = testing_support::FreshDir(testing_support::TempPath("gui-" + std::to_string(getpid())));
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
    void TearDown() override {
        frame.reset();
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
        COperationDialog::askSavePath = hooks.parameters;
        CColourButton::askColour = hooks.colour;
        PaletteFileHooks::askLoadPath = hooks.loadPalette;
        PaletteFileHooks::askSavePath = hooks.savePalette;
        PaletteFileHooks::showFile = hooks.showFile;
    }

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
    void RunCommand(int commandId) {
        Frame().Execute(commandId);
        Settle();
    }
    // Opens an image in a new window and returns its view.
    CUtilidadView* OpenImage(const std::string& name, const CVelora& image) {
        EXPECT_TRUE(Frame().OpenFile(WriteImage(name, image)));
        Settle();
        return Frame().ActiveView();
    }
    void Activate(CUtilidadView* view) {
        Frame().MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(view->parentWidget()));
        Settle();
    }
    int Windows() { return int(Frame().Children().size()); }
    // The parameter files saved from now on go to path.
    void SaveParametersTo(const std::string& path) {
        COperationDialog::askSavePath = [path](QWidget*, const QString&, const QString&) { return QString::fromStdString(path); };
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
    const struct {
        decltype(COperationDialog::askSavePath) parameters = COperationDialog::askSavePath;
        decltype(CColourButton::askColour) colour = CColourButton::askColour;
        decltype(PaletteFileHooks::askLoadPath) loadPalette = PaletteFileHooks::askLoadPath;
        decltype(PaletteFileHooks::askSavePath) savePalette = PaletteFileHooks::askSavePath;
        decltype(PaletteFileHooks::showFile) showFile = PaletteFileHooks::showFile;
    } hooks;
};

namespace testing_support {

// A colour table entry as the colour buttons hold it, 0x00BBGGRR.
inline std::uint32_t ColourRef(const RGBQUAD& c) {
    return std::uint32_t(c.rgbRed) | std::uint32_t(c.rgbGreen) << 8 | std::uint32_t(c.rgbBlue) << 16;
}

// The image after op on a copy of image, which op must not refuse.
template <typename Op>
CVelora Applied(CVelora image, Op op) {
    EXPECT_EQ(op(image), 0u);
    return image;
}

// The random operations draw from seed while one of these lives.
struct FixedSeed {
    explicit FixedSeed(unsigned seed) { velora::SetFixedRandomSeed(seed); }
    ~FixedSeed() { velora::SetFixedRandomSeed(std::nullopt); }
};

// The push button of a window that reads text, or none.
inline QPushButton* ButtonNamed(QWidget* window, const QString& text) {
    for (QPushButton* button : window->findChildren<QPushButton*>())
        if (button->text() == text) return button;
    return nullptr;
}

// A user's typing into a number box, replacing what it held.
inline void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
}
// The focus leaves the box, told directly: the offscreen platform moves no focus between windows.
inline void Leave(QWidget* edit) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(edit, &out);
}
inline void Finish(QLineEdit* edit, const QString& text) {
    Type(edit, text);
    Leave(edit);
}

// The viewport shows the image pixel for pixel from the scrolled place, the background beside it.
inline bool ShowsTheImage(CUtilidadView* view) {
    const QImage shown = view->viewport()->grab().toImage();
    const CVelora& image = view->Document().Image();
    const QPoint offset(view->horizontalScrollBar()->value(), view->verticalScrollBar()->value());
    const QRgb background = view->palette().color(QPalette::Dark).rgb();
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            RGBQUAD c{};
            const QPoint p = QPoint(x, y) + offset;
            const bool inside = p.x() < image.GetWidth() && p.y() < image.GetHeight();
            if (inside) image.GetRGBPixel(p.x(), p.y(), c);
            if (shown.pixel(x, y) != (inside ? qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue) : background)) return false;
        }
    return true;
}

// Runs then on the next file dialog once it is up; then closes it.
inline void OnFileDialog(std::function<void(QFileDialog&)> then, int tries = 200) {
    QTimer::singleShot(10, [then = std::move(then), tries]() mutable {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible()) return then(*dialog);
        if (tries > 0) OnFileDialog(std::move(then), tries - 1);
    });
}
// Chooses file in the next file dialog (empty: cancels); startedIn receives the folder it started in.
inline void AnswerFileDialog(const QString& file, QString* startedIn = nullptr) {
    OnFileDialog([=](QFileDialog& dialog) {
        if (startedIn) *startedIn = dialog.directory().absolutePath();
        if (file.isEmpty()) return dialog.reject();
        dialog.selectFile(file);
        static_cast<QDialog&>(dialog).accept();  // QFileDialog's own is protected
    });
}

}  // namespace testing_support

// Dialog tests: an image opened as the user would, kept as it was read back from its file.
class DialogWorkbench : public Workbench {
protected:
    CUtilidadView* Open(const std::string& name, const CVelora& image) {
        CUtilidadView* view = OpenImage(name, image);
        original = view->Document().Image();
        return view;
    }
    // The generic dialog of a command over view, shown.
    static std::unique_ptr<CGenericOperationDialog> Generic(int commandId, CUtilidadView* view) {
        auto* generic = dynamic_cast<CGenericOperationDialog*>(MakeOperationDialog(commandId, view).release());
        EXPECT_NE(generic, nullptr) << commandId;
        if (generic) generic->show();
        return std::unique_ptr<CGenericOperationDialog>(generic);
    }
    CVelora original;
};
