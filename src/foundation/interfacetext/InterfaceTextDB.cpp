#include "foundation/interfacetext/InterfaceTextDB.h"

#include <cstring>
#include <strings.h>

#include "engine/File.h"
#include "foundation/log/LogPrintf.h"
#include "foundation/soups/SoupFiles.h"
#include "foundation/threads/EngineLock.h"

namespace {

struct LanguageFile {
    const char* code;
    const char* file;
};

constexpr const char* kDefaultFile = "InterfaceText.chump";

constexpr LanguageFile kLanguages[] = {
    {"EN", kDefaultFile},
    {"AU", kDefaultFile},
    {"US", kDefaultFile},
    {"UK", kDefaultFile},
    {"DE", "InterfaceGerman.chump"},
    {"FR", "InterfaceFrench.chump"},
    {"IT", "InterfaceItalian.chump"},
    {"RU", "InterfaceRussian.chump"},
    {"CZ", "InterfaceCzech.chump"},
    {"PL", "InterfacePolish.chump"},
    {"ES", "InterfaceSpanish.chump"},
    {"CN", "InterfaceChinese.chump"},
    {"NL", "InterfaceDutch.chump"},
    {"KR", "InterfaceKorean.chump"},
    {"HU", "InterfaceHungarian.chump"},
};

// State beside the object, guarded by the engine lock.
struct TableState {
    Vek::PString selectedFile{kDefaultFile};
    std::atomic<bool> loaded{false};
    std::atomic<int32_t> misses{0};
};

TableState& State() {
    static TableState* state = new TableState();
    return *state;
}

const Vek::PString& DataRoot() {
    static const Vek::PString root("data");
    return root;
}

// Holds the engine lock for the calling thread for a scope.
class EngineLockHold {
public:
    explicit EngineLockHold(bool exclusive) { EngineLock::Instance().AcquireForCurrentThread(exclusive); }
    ~EngineLockHold() { EngineLock::Instance().ReleaseForCurrentThread(); }
    EngineLockHold(const EngineLockHold&) = delete;
    EngineLockHold& operator=(const EngineLockHold&) = delete;
};

}  // namespace

InterfaceTextDB& InterfaceTextDB::Instance() {
    static InterfaceTextDB* table = new InterfaceTextDB();
    TableState& s = State();
    if (!s.loaded.load()) {
        EngineLockHold hold(true);
        if (!s.loaded.load()) {
            table->Load();
            s.loaded.store(true);
        }
    }
    return *table;
}

void InterfaceTextDB::SelectLanguage(const char* code) {
    TableState& s = State();
    EngineLockHold hold(true);
    if (!code) {
        s.selectedFile = kDefaultFile;
        return;
    }
    for (const LanguageFile& language : kLanguages) {
        if (strcasecmp(code, language.code) == 0) {
            s.selectedFile = language.file;
            return;
        }
    }
}

void InterfaceTextDB::Invalidate() { State().loaded.store(false); }

Vek::PString InterfaceTextDB::SelectedFileName() {
    EngineLockHold hold(false);
    return State().selectedFile;
}

bool InterfaceTextDB::IsLoaded() { return State().loaded.load(); }

void InterfaceTextDB::Load() {
    EngineLockHold hold(true);
    const Vek::PString file = State().selectedFile;
    m_soup.Clear();
    if (!LoadSoupFile(m_soup, DataRoot(), file.c_str(), nullptr)) {
        LogPrintf("InterfaceTextDB> failed to load compiled interfacetext file");
        std::string text = file.c_str();
        std::size_t dot = text.rfind('.');
        if (dot != std::string::npos) text.erase(dot);
        text += ".txt";
        if (!LoadSoupFile(m_soup, DataRoot(), text.c_str(), nullptr))
            LogPrintf("InterfaceTextDB> Unable to read interface file '%s'", file.c_str());
    }
    m_mapText = m_soup.GetContainer(Vek::PString("kelmo_map_text"));
    m_specText = m_soup.GetContainer(Vek::PString("kelmo_spec_text"));
    m_scenarioText = m_soup.GetContainer(Vek::PString("scenario_text"));
}

Vek::PString InterfaceTextDB::GetString(const Vek::PString& tag, bool fallback) {
    if (tag.IsEmpty()) return tag;
    Vek::PString text;
    {
        EngineLockHold hold(false);
        text = m_soup.GetString(tag);
    }
    if (fallback && text.IsEmpty()) {
        TableState& s = State();
        int32_t misses = ++s.misses;
        if (misses <= kLoggedMisses)
            LogPrintf("InterfaceTextDB::GetString> Tag '%s' not found in '%s'", tag.c_str(),
                      SelectedFileName().c_str());
        return tag;
    }
    return text;
}

Vek::PString InterfaceTextDB::GetScenarioString(const Vek::PString& tag) {
    EngineLockHold hold(false);
    return m_scenarioText.GetString(tag);
}

InterfaceTextDB::~InterfaceTextDB() = default;

Vek::String GetLocalisedText(const char* tag) {
    Vek::PString text = InterfaceTextDB::Instance().GetString(Vek::PString(tag), true);
    return Vek::String(text.c_str());
}

bool RenameIfExists(const char* from, const char* to) {
    if (!Vek::File::Exists(from)) return false;
    return Vek::File::Rename(from, to);
}
