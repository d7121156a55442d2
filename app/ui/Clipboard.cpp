#include "Clipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <cstring>

namespace velora::ui {

namespace {
constexpr const char* kBmpMime = "image/bmp";
constexpr const char* kDibMime = "application/x-velora-dib";  // the packed DIB, between our own windows
}  // namespace

bool ClipboardHasImage() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && (data->hasFormat(kDibMime) || data->hasFormat(kBmpMime) || data->hasImage());
}

bool CopyImageToClipboard(const CVelora& image) {
    const std::vector<std::uint8_t> bmp = image.EncodeBMP();
    const std::vector<std::uint8_t> dib = image.CopyToGlobal();
    if (bmp.empty()) return false;
    auto* data = new QMimeData;
    data->setData(kDibMime, QByteArray(reinterpret_cast<const char*>(dib.data()), qsizetype(dib.size())));
    data->setData(kBmpMime, QByteArray(reinterpret_cast<const char*>(bmp.data()), qsizetype(bmp.size())));
    QImage picture(image.GetWidth(), image.GetHeight(), QImage::Format_RGB32);
    if (!picture.isNull()) {
        image.ConvertToRGB32(0, image.GetHeight(), reinterpret_cast<std::uint32_t*>(picture.bits()),
                             std::size_t(picture.bytesPerLine() / 4));
        data->setImageData(picture);
    }
    QApplication::clipboard()->setMimeData(data);
    return true;
}

unsigned PasteImageFromClipboard(CVelora& image) {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data) return kLoadInvalid;
    const std::string name = image.GetName();
    if (data->hasFormat(kDibMime)) {
        const QByteArray dib = data->data(kDibMime);
        return image.LoadFromDIB(reinterpret_cast<const std::uint8_t*>(dib.constData()), std::size_t(dib.size()));
    }
    if (data->hasFormat(kBmpMime)) {
        const QByteArray bmp = data->data(kBmpMime);
        // A BMP file is a DIB behind a 14-byte header; LoadFromDIB turns 32 bits into 24.
        if (bmp.size() > 14 && bmp.startsWith("BM")) {
            CVelora probe;
            const unsigned code = probe.LoadBMP(reinterpret_cast<const std::uint8_t*>(bmp.constData()), std::size_t(bmp.size()));
            if (code == 0) {
                const auto packed = probe.CopyToGlobal();
                return image.LoadFromDIB(packed.data(), packed.size());
            }
        }
    }
    if (!data->hasImage()) return kLoadInvalid;
    const QImage picture = qvariant_cast<QImage>(data->imageData()).convertToFormat(QImage::Format_RGB888);
    if (picture.isNull()) return kLoadInvalid;
    CVelora pasted(nullptr, nullptr, picture.width(), picture.height(), 24);
    if (!pasted.HasImage()) return kLoadTooLarge;
    for (int y = 0; y < picture.height(); ++y) {
        const uchar* src = picture.constScanLine(y);
        for (int x = 0; x < picture.width(); ++x)
            pasted.SetPixel(x, y, std::uint32_t(src[3 * x + 2]) | (std::uint32_t(src[3 * x + 1]) << 8) |
                                      (std::uint32_t(src[3 * x]) << 16));
    }
    pasted.SetName(name);
    image = pasted;
    return 0;
}

}  // namespace velora::ui
