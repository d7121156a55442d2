// The GUI tests run with one QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>

#include "Startup.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    velora::ui::PrepareApplication();  // as the program starts: Spanish texts, icon theme
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
