#include "live/QrImage.h"

#include "live/QrCode.h"

namespace vk {

QImage QrImage(const QString& text, int scale) {
    const QrMatrix m = QrEncode(text.toStdString());
    if (m.size == 0 || scale < 1)
        return {};
    constexpr int quiet = 4;
    const int side = (m.size + 2 * quiet) * scale;
    QImage img(side, side, QImage::Format_Grayscale8);
    img.fill(255);
    for (int y = 0; y < m.size; ++y)
        for (int x = 0; x < m.size; ++x)
            if (m.at(x, y))
                for (int dy = 0; dy < scale; ++dy) {
                    uchar* line = img.scanLine((y + quiet) * scale + dy);
                    for (int dx = 0; dx < scale; ++dx)
                        line[(x + quiet) * scale + dx] = 0;
                }
    return img;
}

} // namespace vk
