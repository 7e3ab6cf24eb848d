#include "app/KeysPicture.h"

#include <QByteArray>
#include <QFile>

#include <cstring>
#include <span>

namespace carecfg {

QImage KeysPicture::Image() {
    QFile file(QStringLiteral(":/keys.jpg"));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    const JpegDecodeResult decoded = DecodeJpeg(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                      static_cast<std::size_t>(bytes.size())));
    return decoded.ok ? ToImage(decoded.picture) : QImage();
}

QPixmap KeysPicture::Pixmap() {
    const QImage image = Image();
    return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}

QImage KeysPicture::ToImage(const RgbPicture& picture) {
    const std::size_t stride = static_cast<std::size_t>(picture.width) * 3;
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.rgb.size() != stride * static_cast<std::size_t>(picture.height)) {
        return {};
    }
    QImage image(picture.width, picture.height, QImage::Format_RGB888);
    if (image.isNull()) {
        return {};
    }
    // QImage pads every row to 4 bytes, so the rows are copied one by one.
    for (int y = 0; y < picture.height; ++y) {
        std::memcpy(image.scanLine(y), picture.rgb.data() + stride * static_cast<std::size_t>(y),
                    stride);
    }
    return image;
}

}  // namespace carecfg
