#pragma once
// Kernel termios2 (arbitrary baud rates); never include <termios.h> together with this.
#include "serial/ComDevice.h"

#include <asm/termbits.h>

namespace vk {

// Turns `t` into a raw line with the given settings: rate via BOTHER, CSIZE, parity with
// CMSPAR for mark and space, CSTOPB for 1.5 and 2 stop bits (a UART sends 1.5 with 5 data
// bits), CRTSCTS, IXON/IXOFF, CLOCAL so a dropping carrier does not hang the line up, reads
// return at once. False with errno EINVAL for settings the system cannot express.
bool ApplyComSettings(struct termios2& t, const ComSettings& s);

// TCGETS2 / TCSETS2 / TCFLSH(TCIFLUSH); 0 or an errno value.
int GetTermios(int fd, struct termios2& t);
int SetTermios(int fd, const struct termios2& t);
int FlushInput(int fd);

} // namespace vk
