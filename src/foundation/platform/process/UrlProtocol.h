#pragma once
// Registering the program as the handler of "vorlex:" URLs, the Linux
// counterpart of the Windows protocol keys: a desktop entry in the user's
// applications folder ($XDG_DATA_HOME/applications, by default
// ~/.local/share/applications) that declares the scheme, and the default
// handler line in the user's mimeapps.list ($XDG_CONFIG_HOME, by default
// ~/.config).
#include <string>

// The scheme's desktop entry file name and its MIME type.
constexpr const char kUrlProtocolDesktopFile[] = "vorlex-url.desktop";
constexpr const char kUrlProtocolMimeType[] = "x-scheme-handler/vorlex";
// The command text of the handler is kept to this many bytes, terminator
// included, as the Windows key value was.
constexpr std::size_t kUrlProtocolCommandSize = 260;

// The handler's command text: `command` as it is when it begins with a
// double quote, else between double quotes; then a blank and "%1" between
// double quotes. False (and `text` empty) when that would not fit
// kUrlProtocolCommandSize bytes.
bool BuildUrlProtocolCommand(const char* command, std::string& text);

// The desktop entry's Exec value for such a command text: every argument
// quoted by the desktop entry rules, "%1" becoming the URL field code %u.
std::string UrlProtocolExecLine(const std::string& commandText);

// Writes the desktop entry and the default-handler line. False when the
// command is empty, too long or holds a control character, when no home
// folder is known, or when a file cannot be written.
bool RegisterUrlProtocol(const char* command);
