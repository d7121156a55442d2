// The GUI tests run with one QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "Startup.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Settings go to this process's own folder: tests run in parallel and must not touch the user's settings.
    const std::string config = std::string(VELORA_TEST_TMP) + "/config-" + std::to_string(getpid());
    std::filesystem::create_directories(config);
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config));
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    velora::ui::PrepareApplication();  // as the program starts: Spanish texts, icon theme
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
