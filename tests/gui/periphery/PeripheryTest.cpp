// Periphery windows: monitors, accessories without a shell (and what is told when none
// answers), printing layout, second monitor.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <fstream>

#include "CAccessories.h"
#include "CImagePrinter.h"
#include "CInfoMonitoresDlg.h"
#include "CVelora.h"
#include "CVerImagen2MonitorDlg.h"
#include "Messages.h"
#include "WorkbenchFixture.h"

namespace {

// Processes events until `done` holds or a few seconds have passed.
template <typename Done>
bool WaitFor(Done done) {
    for (int i = 0; i < 500 && !done(); ++i) QTest::qWait(10);
    return done();
}

}  // namespace

TEST(Periphery, MonitorsAreReported) {
    const auto monitors = QueryMonitors();
    ASSERT_FALSE(monitors.empty());
    EXPECT_GT(monitors[0].widthPixels, 0);
    EXPECT_GT(monitors[0].heightPixels, 0);
    EXPECT_EQ(std::count_if(monitors.begin(), monitors.end(), [](const MonitorInfo& m) { return m.primary; }), 1);
}

TEST(Periphery, AccessoriesAreFoundOrExplained) {
    qputenv("VELORA_CALCULATOR", "/bin/true");
    EXPECT_EQ(CAccessories::FindProgram(CAccessories::Kind::Calculator), "/bin/true");
    qunsetenv("VELORA_CALCULATOR");

    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    const auto shown = velora::ui::MessageSink::show;
    QStringList warned;
    velora::ui::MessageSink::show = [&](QWidget*, velora::ui::MessageKind kind, const QString&, const QString& text) {
        EXPECT_EQ(kind, velora::ui::MessageKind::Warning);
        warned << text;
    };
    EXPECT_TRUE(CAccessories::FindProgram(CAccessories::Kind::Paint).isEmpty());
    EXPECT_FALSE(CAccessories::Launch(CAccessories::Kind::TextEditor, {"a; rm -rf /"}, nullptr));
    EXPECT_FALSE(CAccessories::Launch(CAccessories::Kind::Calculator, {}, nullptr));
    EXPECT_FALSE(CAccessories::SendByMail("/tmp/x.bmp", "asunto", nullptr));
    velora::ui::MessageSink::show = shown;
    qputenv("PATH", path);
    ASSERT_EQ(warned.size(), 3);
    EXPECT_TRUE(warned[0].contains("VELORA_TEXT_EDITOR"));
    EXPECT_TRUE(warned[1].contains("VELORA_CALCULATOR"));
    EXPECT_TRUE(warned[2].contains("xdg-email"));
}

TEST_F(Workbench, WebPagesAndMailSayWhenNothingAnswers) {
    const QByteArray path = qgetenv("PATH"), browser = qgetenv("BROWSER"), defaultBrowser = qgetenv("DEFAULT_BROWSER");
    qunsetenv("BROWSER");
    qunsetenv("DEFAULT_BROWSER");
    const std::string bin = dir + "/bin";
    std::filesystem::remove_all(bin);
    std::filesystem::create_directories(bin);
    qputenv("PATH", QByteArray::fromStdString(bin));
    // A stand-in for a desktop helper: it notes its arguments (with shell built-ins only, PATH
    // being bare) and ends with `code`.
    const auto helper = [&bin](const std::string& name, int code) {
        std::filesystem::remove(bin + "/" + name + ".args");
        std::ofstream(bin + "/" + name) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\nexit "
                                        << code << "\n";
        std::filesystem::permissions(bin + "/" + name, std::filesystem::perms::owner_all);
    };
    const auto arguments = [&bin](const std::string& name) {
        QFile file(QString::fromStdString(bin + "/" + name + ".args"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts) : QStringList();
    };

    // Neither xdg-open nor any browser.
    Frame().Execute(kCmdWebProgram);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("https://example.org/cveloramdi/"));

    // xdg-open that finds no browser: told when it ends.
    helper("xdg-open", 3);
    Frame().Execute(kCmdWebAuthor);
    EXPECT_TRUE(WaitFor([&] { return messages.size() == 2; }));
    EXPECT_EQ(arguments("xdg-open"), QStringList{"https://example.org/cveloramdi/autor/"});
    EXPECT_TRUE(messages.value(1).contains("https://example.org/cveloramdi/autor/"));

    // xdg-open that shows the page: nothing to tell.
    helper("xdg-open", 0);
    Frame().Execute(kCmdWebProgram);
    EXPECT_TRUE(WaitFor([&] { return !arguments("xdg-open").isEmpty(); }));
    Settle();
    QTest::qWait(100);
    Settle();
    EXPECT_EQ(messages.size(), 2);

    // xdg-email without a mail program.
    helper("xdg-email", 3);
    OpenImage("correo.bmp", testing_support::RandomImage(4, 4, 24, 2));
    Frame().Execute(kCmdSendMail);
    EXPECT_TRUE(WaitFor([&] { return messages.size() == 3; }));
    EXPECT_TRUE(messages.value(2).contains("No se ha podido preparar el correo"));
    const QStringList mailArguments = arguments("xdg-email");
    ASSERT_EQ(mailArguments.size(), 4);
    EXPECT_EQ(mailArguments[0], "--attach");
    EXPECT_TRUE(mailArguments[1].endsWith("/correo.bmp"));

    qputenv("PATH", path);
    if (!browser.isEmpty()) qputenv("BROWSER", browser);
    if (!defaultBrowser.isEmpty()) qputenv("DEFAULT_BROWSER", defaultBrowser);
}

TEST(Periphery, PrintedImageKeepsItsAspectInsideThePage) {
    CVelora image(nullptr, nullptr, 200, 100, 24);
    image.Initialize(0x0000FF);
    QImage page(600, 800, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    const QRect placed = CImagePrinter::PaintPage(painter, page.rect(), image, "Prueba");
    painter.end();
    EXPECT_TRUE(page.rect().contains(placed));
    EXPECT_EQ(placed.size(), QSize(600, 300));
    EXPECT_EQ(page.pixel(placed.center()), qRgb(0, 0, 255));
}

TEST(Periphery, SecondMonitorShowsTheImage) {
    CVelora image(nullptr, nullptr, 40, 30, 24);
    image.Initialize(0xFF0000);
    CVerImagen2MonitorDlg window;
    window.resize(80, 60);
    window.SetImage(&image);
    const QImage shot = window.grab().toImage();
    EXPECT_EQ(shot.pixel(40, 30), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(2, 2), qRgb(96, 96, 96));
    image.Initialize(0x00FF00);
    window.InvalidateImage();
    EXPECT_EQ(window.grab().toImage().pixel(40, 30), qRgb(0, 255, 0));
}
