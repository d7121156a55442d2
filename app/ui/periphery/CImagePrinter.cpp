#include "CImagePrinter.h"

#include <QImage>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "CVelora.h"

namespace {

QPrinter& SharedPrinter() {
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

void PrintOn(QPrinter& printer, const CVelora& image, const QString& title) {
    QPainter painter(&printer);
    CImagePrinter::PaintPage(painter, painter.viewport(), image, title);
}

}  // namespace

QRect CImagePrinter::PaintPage(QPainter& painter, const QRect& page, const CVelora& image, const QString& title) {
    const int titleHeight = page.height() / 20;
    painter.drawText(QRect(page.left(), page.top(), page.width(), titleHeight), Qt::AlignCenter, title);
    QImage picture(image.GetWidth(), image.GetHeight(), QImage::Format_RGB32);
    if (picture.isNull()) return {};
    image.ConvertToRGB32(0, image.GetHeight(), reinterpret_cast<std::uint32_t*>(picture.bits()),
                         std::size_t(picture.bytesPerLine() / 4));
    const QRect area(page.left(), page.top() + titleHeight, page.width(), page.height() - titleHeight);
    const QSize size = picture.size().scaled(area.size(), Qt::KeepAspectRatio);
    const QRect target(area.left() + (area.width() - size.width()) / 2, area.top(), size.width(), size.height());
    painter.drawImage(target, picture);
    return target;
}

void CImagePrinter::Print(const CVelora& image, const QString& title, QWidget* parent) {
    QPrintDialog dialog(&SharedPrinter(), parent);
    dialog.setWindowTitle("Imprimir " + title);
    if (dialog.exec() == QDialog::Accepted) PrintOn(SharedPrinter(), image, title);
}

void CImagePrinter::PrintPreview(const CVelora& image, const QString& title, QWidget* parent) {
    QPrintPreviewDialog dialog(&SharedPrinter(), parent);
    dialog.setWindowTitle("Presentación preliminar de " + title);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&image, &title](QPrinter* printer) { PrintOn(*printer, image, title); });
    dialog.exec();
}

void CImagePrinter::PrintSetup(QWidget* parent) {
    QPageSetupDialog dialog(&SharedPrinter(), parent);
    dialog.exec();
}
