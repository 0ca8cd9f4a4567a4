#include "serial/LinuxTermios.h"

#include <asm/ioctls.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace vk {

bool ApplyComSettings(struct termios2& t, const ComSettings& s) {
    if (s.baudRate <= 0 || s.dataBits < 5 || s.dataBits > 8 || s.parity > 4 || s.stopBits > 2 ||
        s.flowControl > 2) {
        errno = EINVAL;
        return false;
    }
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                   IXANY | INPCK | IUCLC | IMAXBEL);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &=
        ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CBAUD | (CBAUD << IBSHIFT));

    static constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= sizes[s.dataBits - 5] | CREAD | CLOCAL | HUPCL | BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = static_cast<speed_t>(s.baudRate);
    t.c_ospeed = static_cast<speed_t>(s.baudRate);

    switch (s.parity) {
    case 1: // odd
        t.c_cflag |= PARENB | PARODD;
        break;
    case 2: // even
        t.c_cflag |= PARENB;
        break;
    case 3: // mark: parity bit always 1
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case 4: // space: parity bit always 0
        t.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    if (s.stopBits != 0)
        t.c_cflag |= CSTOPB;
    if (s.ctsOutFlow || s.rtsHandshake)
        t.c_cflag |= CRTSCTS;
    if (s.xonXoff) {
        t.c_iflag |= IXON | IXOFF;
        t.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
        t.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
    }
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    return true;
}

int GetTermios(int fd, struct termios2& t) {
    return ioctl(fd, TCGETS2, &t) == 0 ? 0 : errno;
}

int SetTermios(int fd, const struct termios2& t) {
    return ioctl(fd, TCSETS2, &t) == 0 ? 0 : errno;
}

int FlushInput(int fd) {
    return ioctl(fd, TCFLSH, TCIFLUSH) == 0 ? 0 : errno;
}

int ConfigureLine(int fd, const ComSettings& s) {
    struct termios2 t {};
    if (int e = GetTermios(fd, t))
        return e;
    if (!ApplyComSettings(t, s))
        return errno;
    return SetTermios(fd, t);
}

} // namespace vk
