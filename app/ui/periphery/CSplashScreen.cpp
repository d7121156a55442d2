#include "CSplashScreen.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>

std::unique_ptr<QSplashScreen> ShowSplash() {
    // Painted here, so that no picture file has to travel with the program.
    QPixmap pixmap(520, 260);
    QPainter painter(&pixmap);
    QLinearGradient gradient(0, 0, 520, 260);
    gradient.setColorAt(0, QColor(20, 40, 90));
    gradient.setColorAt(1, QColor(90, 150, 200));
    painter.fillRect(pixmap.rect(), gradient);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPointSize(26);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 60, 520, 60), Qt::AlignCenter, "CVeloraMDI");
    font.setPointSize(11);
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(QRect(20, 130, 480, 80), Qt::AlignCenter | Qt::TextWordWrap,
                     "Herramienta de Aplicación de la Librería para el Tratamiento de Imágenes Digitales CVELORA");
    painter.end();
    auto splash = std::make_unique<QSplashScreen>(pixmap);
    splash->show();
    QGuiApplication::processEvents();
    return splash;
}
