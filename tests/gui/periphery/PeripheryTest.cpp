// Periphery windows: monitors, accessories without a shell, printing layout, second monitor.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "CAccessories.h"
#include "CImagePrinter.h"
#include "CInfoMonitoresDlg.h"
#include "CVelora.h"
#include "CVerImagen2MonitorDlg.h"

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
    QString warned;
    CAccessories::warn = [&](QWidget*, const QString&, const QString& text) { warned = text; };
    EXPECT_TRUE(CAccessories::FindProgram(CAccessories::Kind::Paint).isEmpty());
    EXPECT_FALSE(CAccessories::Launch(CAccessories::Kind::TextEditor, {"a; rm -rf /"}, nullptr));
    EXPECT_TRUE(warned.contains("ningún editor de textos"));
    EXPECT_TRUE(warned.contains("VELORA_TEXT_EDITOR"));
    EXPECT_FALSE(CAccessories::SendByMail("/tmp/x.bmp", "asunto", nullptr));
    EXPECT_TRUE(warned.contains("xdg-email"));
    qputenv("PATH", path);
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
    EXPECT_EQ(placed.width(), 600);
    EXPECT_EQ(placed.height(), 300);
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
