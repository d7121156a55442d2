// The splash screen shown while the main window is built.
#pragma once

#include <QSplashScreen>
#include <memory>

std::unique_ptr<QSplashScreen> ShowSplash();
