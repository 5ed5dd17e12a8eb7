#include "foundation/platform/CrashReport.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <execinfo.h>
#include <fcntl.h>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>

#include "foundation/log/LogPrintf.h"

namespace {

std::atomic<bool> g_dumpWritten{false};

constexpr int kMaxFrames = 64;
// Tries "_2" up to this suffix before it gives up.
constexpr unsigned kMaxSuffix = 100000;

// Small async-signal-safe text builder over a fixed buffer.
class SafeText {
public:
    SafeText(char* buffer, std::size_t size) : m_buffer(buffer), m_size(size) { m_buffer[0] = 0; }
    SafeText& Add(const char* text) {
        while (text && *text && m_length + 1 < m_size) m_buffer[m_length++] = *text++;
        m_buffer[m_length] = 0;
        return *this;
    }
    SafeText& AddDecimal(long long value) {
        char digits[24];
        int n = 0;
        unsigned long long magnitude = value < 0 ? 0ull - static_cast<unsigned long long>(value)
                                                 : static_cast<unsigned long long>(value);
        do {
            digits[n++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude);
        if (value < 0) Add("-");
        char one[2] = {0, 0};
        while (n) {
            one[0] = digits[--n];
            Add(one);
        }
        return *this;
    }
    SafeText& AddHex(uintptr_t value) {
        static const char kDigits[] = "0123456789abcdef";
        char digits[2 * sizeof value];
        int n = 0;
        do {
            digits[n++] = kDigits[value & 15];
            value >>= 4;
        } while (value);
        Add("0x");
        char one[2] = {0, 0};
        while (n) {
            one[0] = digits[--n];
            Add(one);
        }
        return *this;
    }
    const char* Text() const { return m_buffer; }
    std::size_t Length() const { return m_length; }

private:
    char* m_buffer;
    std::size_t m_size;
    std::size_t m_length = 0;
};

void WriteAll(int fd, const char* text, std::size_t length) {
    while (length > 0) {
        ssize_t n = ::write(fd, text, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        text += n;
        length -= static_cast<std::size_t>(n);
    }
}

const char* SignalName(int signal) {
    switch (signal) {
        case SIGSEGV: return "SIGSEGV";
        case SIGBUS: return "SIGBUS";
        case SIGFPE: return "SIGFPE";
        case SIGILL: return "SIGILL";
        case SIGABRT: return "SIGABRT";
        case 0: return "none";
        default: return "signal";
    }
}

// Creates the first free report name in the current folder; -1 when none.
int CreateReportFile(char* path, std::size_t size) {
    for (unsigned k = 1; k <= kMaxSuffix; ++k) {
        SafeText name(path, size);
        name.Add("Vorlex-").AddDecimal(kCrashReportBuild);
        if (k > 1) name.Add("_").AddDecimal(k);
        name.Add(".dmp");
        int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) return fd;
        if (errno != EEXIST) return -1;
    }
    return -1;
}

}  // namespace

bool CrashDumpExceptionFilter(int signal, const siginfo_t* info, const char* reason) {
    if (g_dumpWritten.exchange(true)) return false;
    int savedErrno = errno;

    char path[64];
    int fd = CreateReportFile(path, sizeof path);
    if (fd < 0) {
        errno = savedErrno;
        return false;
    }

    char buffer[512];
    SafeText text(buffer, sizeof buffer);
    text.Add("Vorlex crash report\nbuild ").AddDecimal(kCrashReportBuild);
    text.Add("\nprocess ").AddDecimal(::getpid());
    text.Add("\nthread ").AddDecimal(static_cast<long long>(::syscall(SYS_gettid)));
    text.Add("\nsignal ").AddDecimal(signal).Add(" (").Add(SignalName(signal)).Add(")");
    if (info) {
        text.Add("\ncode ").AddDecimal(info->si_code);
        text.Add("\nfault address ").AddHex(reinterpret_cast<uintptr_t>(info->si_addr));
    }
    if (reason) text.Add("\nreason ").Add(reason);
    text.Add("\ncallstack:\n");
    WriteAll(fd, text.Text(), text.Length());

    void* frames[kMaxFrames];
    int count = ::backtrace(frames, kMaxFrames);
    if (count > 0) ::backtrace_symbols_fd(frames, count, fd);
    ::fsync(fd);
    ::close(fd);
    errno = savedErrno;
    return true;
}

void ForceCrash(const char* reason) { CrashDumpExceptionFilter(0, nullptr, reason); }

bool CrashReportWritten() { return g_dumpWritten.load(); }

void LogCallStack() {
    void* frames[kMaxFrames];
    int count = ::backtrace(frames, kMaxFrames);
    // The addresses, as many as fit in 512 bytes.
    std::string addresses;
    for (int i = 0; i < count; ++i) {
        char one[24];
        int n = std::snprintf(one, sizeof one, "%llx ",
                              static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(frames[i])));
        if (addresses.size() + static_cast<std::size_t>(n) >= 512) break;
        addresses += one;
    }
    LogPrintf("callstack: %s", addresses.c_str());
    for (int i = 0; i < count; ++i) {
        Dl_info where{};
        const char* module = "";
        const char* function = "";
        if (::dladdr(frames[i], &where)) {
            if (where.dli_fname) module = where.dli_fname;
            if (where.dli_sname) function = where.dli_sname;
        }
        // Source files and lines need debug information this layer does not
        // read; they keep their defaults.
        LogPrintf("  %s %s [%s:%d]", module, function, "<unknown>", -1);
    }
}
