#pragma once
#include <QImage>
#include <QString>

namespace vk {

// The QR code of `text` as a black-on-white picture with the quiet zone of four modules, each
// module `scale` pixels; a null image when the text does not fit a QR code.
QImage QrImage(const QString& text, int scale);

} // namespace vk
