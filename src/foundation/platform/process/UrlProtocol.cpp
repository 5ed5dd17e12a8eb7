#include "foundation/platform/process/UrlProtocol.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/File.h"
#include "foundation/platform/process/ShellExecute.h"

namespace {

// An XDG base folder: the variable when it is an absolute path, else the
// home folder joined with the fallback.
std::string BaseFolder(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value && value[0] == '/') return value;
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') return std::string();
    return std::string(home) + "/" + fallback;
}

std::string QuoteExecArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    quoted += '"';
    // The string-value escape of desktop files applies on top of the quoting.
    std::string escaped;
    for (char c : quoted) {
        if (c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

bool ReadWholeFile(const std::string& path, std::string& content) {
    content.clear();
    Vek::File file;
    if (!file.Open(path.c_str(), Vek::File::kModeRead)) return false;
    char buffer[4096];
    std::size_t n;
    while ((n = file.Read(buffer, sizeof buffer)) > 0) content.append(buffer, n);
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
    if (!Vek::File::Prune(path.c_str())) return false;
    // Written beside the target and renamed over it only when whole.
    std::string temporary = path + ".new";
    Vek::File file;
    if (!file.Open(temporary.c_str(), Vek::File::kModeWrite | Vek::File::kModeCreate)) return false;
    bool ok = file.Write(content.data(), content.size()) == content.size();
    file.Close();
    if (ok) {
        std::string osTemporary = Vek::File::ResolveOsPath(temporary.c_str());
        std::string osTarget = Vek::File::ResolveOsPath(path.c_str());
        ok = !osTemporary.empty() && !osTarget.empty() && std::rename(osTemporary.c_str(), osTarget.c_str()) == 0;
    }
    if (!ok) Vek::File::Unlink(temporary.c_str());
    return ok;
}

// mimeapps.list with the scheme's line set in [Default Applications]; other
// lines and sections stay as they were.
std::string WithDefaultHandler(const std::string& old) {
    const std::string line = std::string(kUrlProtocolMimeType) + "=" + kUrlProtocolDesktopFile;
    const std::string key = std::string(kUrlProtocolMimeType) + "=";
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < old.size()) {
        std::size_t end = old.find('\n', start);
        if (end == std::string::npos) end = old.size();
        lines.push_back(old.substr(start, end - start));
        start = end + 1;
    }
    bool inSection = false;
    bool sectionSeen = false;
    bool written = false;
    std::string out;
    for (const std::string& l : lines) {
        if (!l.empty() && l[0] == '[') {
            if (inSection && !written) {
                out += line + "\n";
                written = true;
            }
            inSection = l == "[Default Applications]";
            sectionSeen = sectionSeen || inSection;
        } else if (inSection && l.compare(0, key.size(), key) == 0) {
            if (!written) out += line + "\n";
            written = true;
            continue;
        }
        out += l + "\n";
    }
    if (!written) {
        if (!sectionSeen) out += "[Default Applications]\n";
        out += line + "\n";
    }
    return out;
}

}  // namespace

bool BuildUrlProtocolCommand(const char* command, std::string& text) {
    text.clear();
    if (!command) return false;
    std::string built;
    if (command[0] == '"') {
        built = command;
    } else {
        built = "\"";
        built += command;
        built += "\"";
    }
    built += " \"%1\"";
    if (built.size() + 1 > kUrlProtocolCommandSize) return false;
    text = std::move(built);
    return true;
}

std::string UrlProtocolExecLine(const std::string& commandText) {
    std::string exec;
    for (const std::string& argument : SplitCommandLine(commandText.c_str())) {
        if (!exec.empty()) exec += ' ';
        exec += argument == "%1" ? std::string("%u") : QuoteExecArgument(argument);
    }
    return exec;
}

bool RegisterUrlProtocol(const char* command) {
    if (!command || !*command) return false;
    for (const char* p = command; *p; ++p)
        if (static_cast<unsigned char>(*p) < 0x20 || *p == 0x7F) return false;
    std::string commandText;
    if (!BuildUrlProtocolCommand(command, commandText)) return false;

    std::string data = BaseFolder("XDG_DATA_HOME", ".local/share");
    std::string config = BaseFolder("XDG_CONFIG_HOME", ".config");
    if (data.empty() || config.empty()) return false;

    std::string entry =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=URL: Vorlex Protocol\n"
        "Exec=" + UrlProtocolExecLine(commandText) + "\n"
        "NoDisplay=true\n"
        "MimeType=" + std::string(kUrlProtocolMimeType) + ";\n";
    if (!WriteWholeFile(data + "/applications/" + kUrlProtocolDesktopFile, entry)) return false;

    std::string listPath = config + "/mimeapps.list";
    std::string old;
    ReadWholeFile(listPath, old);
    return WriteWholeFile(listPath, WithDefaultHandler(old));
}
