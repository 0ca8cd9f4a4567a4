#include "live/QrCode.h"

#include <qrencode.h>

namespace vk {

QrMatrix QrEncode(const std::string& text) {
    QrMatrix m;
    // Level M: still read from a TV across a paddock with some glare on it.
    QRcode* code = QRcode_encodeString8bit(text.c_str(), 0, QR_ECLEVEL_M);
    if (!code)
        return m;
    m.size = code->width;
    m.dark.resize(static_cast<size_t>(m.size * m.size));
    for (size_t i = 0; i < m.dark.size(); ++i)
        m.dark[i] = (code->data[i] & 1) != 0;
    QRcode_free(code);
    return m;
}

} // namespace vk
