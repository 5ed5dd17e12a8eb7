#include "foundation/console/StdoutFifo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "foundation/console/ConsoleWriter.h"

std::string RuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) return runtime;
    return "/tmp/vorlex-" + std::to_string(::getuid());
}

std::string StdoutFifoPath(int processId) {
    std::string folder = RuntimeFolder();
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + std::to_string(processId) + "cout";
}

bool RedirectStdoutToPipe() {
    ConsoleOutputLock();  // made before any other thread can write
    std::string path = StdoutFifoPath(static_cast<int>(::getpid()));
    // O_NONBLOCK: opening a FIFO for writing fails at once (ENXIO) when no
    // reader has it open, instead of waiting for one.
    int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISFIFO(info.st_mode) || info.st_uid != ::getuid()) {
        ::close(fd);
        return false;
    }
    // Writes block normally from here on, as they would on a console.
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    SetConsoleOutput(fd, true);
    return true;
}
