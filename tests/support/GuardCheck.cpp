// Shows that the serial-device guard fires: opens a serial device name that does not exist
// (so nothing is touched should the guard fail) through the call named on the command line.
#include <cstdio>
#include <cstring>
#include <fcntl.h>

int main(int argc, char** argv) {
    const char* path = "/dev/ttyUSB97";
    const char* how = argc > 1 ? argv[1] : "open";
    int fd = -1;
    if (std::strcmp(how, "openat") == 0)
        fd = openat(AT_FDCWD, path, O_RDWR | O_NOCTTY | O_NONBLOCK);
    else if (std::strcmp(how, "open64") == 0)
        fd = open64(path, O_RDWR | O_NOCTTY | O_NONBLOCK);
    else
        fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK);
    std::printf("%s(%s) returned %d: the guard did not fire\n", how, path, fd);
    return 0;
}
