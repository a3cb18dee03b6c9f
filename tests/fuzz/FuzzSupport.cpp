#include "FuzzSupport.h"

#include "platform/ProcessSetup.h"

#include <QGuiApplication>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace fuzz {

QString memoryFile(int slot, const uint8_t* data, size_t size)
{
    static int files[4] = { -1, -1, -1, -1 };
    if (slot < 0 || slot >= 4) std::abort();
    int& fd = files[slot];
    if (fd < 0) fd = memfd_create("quillon-fuzz", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0) std::abort();
    for (size_t written = 0; written < size;) {
        const ssize_t n = pwrite(fd, data + written, size - written, static_cast<off_t>(written));
        if (n <= 0) std::abort();
        written += static_cast<size_t>(n);
    }
    return QStringLiteral("/proc/self/fd/%1").arg(fd);
}

void startApplication(int* argc, char*** argv)
{
    ProcessSetup::init();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt takes the options it knows out of the arguments it is given; it is
    // given none of libFuzzer's. Both live as long as the application, which
    // is kept for the whole run (libFuzzer leaves through exit()).
    static int count = 1;
    static char* arguments[] = { *argc > 0 ? (*argv)[0] : nullptr, nullptr };
    static QGuiApplication* application = new QGuiApplication(count, arguments);
    (void)application;
}

void require(bool condition, const char* what)
{
    if (condition) return;
    std::fprintf(stderr, "property does not hold: %s\n", what);
    std::abort();
}

} // namespace fuzz
