// Printing of the active image: print, preview and page set-up, sharing one printer.
#pragma once

#include <QRect>
#include <QString>

class CVelora;
class QPainter;
class QWidget;

class CImagePrinter {
public:
    static void Print(const CVelora& image, const QString& title, QWidget* parent);
    static void PrintPreview(const CVelora& image, const QString& title, QWidget* parent);
    static void PrintSetup(QWidget* parent);
    // Draws the title and, below it, the image scaled to fit the page with its aspect kept.
    // Returns where the image went.
    static QRect PaintPage(QPainter& painter, const QRect& page, const CVelora& image, const QString& title);
};
