#include "foundation/platform/process/ShellExecute.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "engine/File.h"

extern char** environ;

std::vector<std::string> SplitCommandLine(const char* text) {
    std::vector<std::string> arguments;
    if (!text) return arguments;
    const char* p = text;
    for (;;) {
        while (*p == ' ' || *p == '\t') ++p;
        if (!*p) break;
        std::string argument;
        bool quoted = false;
        while (*p && (quoted || (*p != ' ' && *p != '\t'))) {
            if (*p == '\\') {
                // Backslashes are literal unless they run up to a quote.
                std::size_t count = 0;
                while (p[count] == '\\') ++count;
                if (p[count] == '"') {
                    argument.append(count / 2, '\\');
                    p += count;
                    if (count % 2) {
                        argument += '"';
                        ++p;
                    }
                } else {
                    argument.append(count, '\\');
                    p += count;
                }
            } else if (*p == '"') {
                if (quoted && p[1] == '"') {
                    argument += '"';
                    p += 2;
                } else {
                    quoted = !quoted;
                    ++p;
                }
            } else {
                argument += *p++;
            }
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

int ShellExecuteGetProcessId(const char* program, const char* parameters, const char* directory, unsigned) {
    if (!program || !*program) return 0;
    std::string osProgram = Vek::File::ResolveOsPath(program);
    if (osProgram.empty() || ::access(osProgram.c_str(), X_OK) != 0) return 0;
    std::string osDirectory = directory && *directory ? Vek::File::ResolveOsPath(directory) : std::string();

    std::vector<std::string> arguments = SplitCommandLine(parameters);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(osProgram.c_str()));
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (!osDirectory.empty()) posix_spawn_file_actions_addchdir_np(&actions, osDirectory.c_str());
    // A new session, default signal dispositions and an empty signal mask:
    // the program must not inherit this process's ignored signals.
    sigset_t defaults;
    sigset_t empty;
    sigemptyset(&empty);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGXFSZ);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGHUP);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &empty);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    pid_t pid = 0;
    int rc = posix_spawn(&pid, osProgram.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (rc != 0 || pid <= 0) return 0;

    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return static_cast<int>(pid);
}
