// Periphery windows: accessories without a shell (and when none is found), printing layout, second monitor.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "CAccessories.h"
#include "CImagePrinter.h"
#include "CVelora.h"
#include "CVerImagen2MonitorDlg.h"
#include "Messages.h"

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
