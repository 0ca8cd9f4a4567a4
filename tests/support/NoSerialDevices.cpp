// Linked into every test program: opening a real serial device aborts the test. On the
// build machines /dev/ttyS0 is the machine's own console, and opening any serial port
// raises DTR and RTS. Tests use the fake device or pseudo-terminals instead.
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <initializer_list>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

bool SerialName(const char* path) {
    for (const char* prefix : {"/dev/ttyS", "/dev/ttyUSB", "/dev/ttyACM"})
        if (std::strncmp(path, prefix, std::strlen(prefix)) == 0)
            return true;
    return false;
}

// Names can hide a device behind a link: its device numbers tell (8250 UARTs are major 4
// from minor 64 on, USB serial 188, ACM 166).
bool SerialDevice(int dirfd, const char* path) {
    struct stat st {};
    if (fstatat(dirfd, path, &st, 0) != 0 || !S_ISCHR(st.st_mode))
        return false;
    const unsigned maj = major(st.st_rdev), min = minor(st.st_rdev);
    return (maj == 4 && min >= 64) || maj == 188 || maj == 166;
}

void Guard(int dirfd, const char* path) {
    if (!path || !(SerialName(path) || SerialDevice(dirfd, path)))
        return;
    const char lead[] = "velkoran test guard: a test opened the real serial device ";
    [[maybe_unused]] ssize_t n = write(2, lead, sizeof lead - 1);
    n = write(2, path, std::strlen(path));
    n = write(2, "\n", 1);
    std::abort();
}

template <typename F> F Next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

mode_t ModeOf(int flags, va_list ap) {
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(ap, mode_t) : 0;
}

} // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = ModeOf(flags, ap);
    va_end(ap);
    Guard(AT_FDCWD, path);
    static const auto next = Next<int (*)(const char*, int, ...)>("open");
    return next(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = ModeOf(flags, ap);
    va_end(ap);
    Guard(AT_FDCWD, path);
    static const auto next = Next<int (*)(const char*, int, ...)>("open64");
    return next(path, flags, mode);
}

int openat(int dirfd, const char* path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = ModeOf(flags, ap);
    va_end(ap);
    Guard(dirfd, path);
    static const auto next = Next<int (*)(int, const char*, int, ...)>("openat");
    return next(dirfd, path, flags, mode);
}

int openat64(int dirfd, const char* path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    const mode_t mode = ModeOf(flags, ap);
    va_end(ap);
    Guard(dirfd, path);
    static const auto next = Next<int (*)(int, const char*, int, ...)>("openat64");
    return next(dirfd, path, flags, mode);
}

} // extern "C"
