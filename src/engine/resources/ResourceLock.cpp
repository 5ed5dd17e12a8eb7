#include <string>

#include "engine/File.h"
#include "engine/Resource.h"
#include "engine/ResourceDatabase.h"
#include "engine/resources/ResourceName.h"

namespace Vek {

namespace {

bool FileOfDatabase(const ResourceDatabase* database, const std::string& name) {
    return database ? database->FileExists(name.c_str()) : File::Exists(name.c_str());
}

}  // namespace

PString Resource::GetOwnerName() const { return m_database ? m_database->GetName() : PString(); }

std::string Resource::GetFolder() const {
    std::string name = m_name.IsEmpty() ? std::string() : std::string(m_name.c_str());
    std::size_t slash = name.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : name.substr(0, slash);
}

int Resource::Load(const char*) { return kFailed; }
int Resource::LoadTxt(const char*) { return kFailed; }

int Resource::LoadComplete() {
    m_state = LoadState::Loaded;
    return kOk;
}

bool Resource::LoadAll() {
    if (IsLoaded()) return true;
    if (Lock() != kOk) return false;
    Unlock();
    return true;
}

int Resource::Lock() {
    if (m_state == LoadState::Loaded) {
        ++m_locks;
        return kOk;
    }
    std::string name;
    if (m_database) {
        // A name that would leave its database is never opened.
        if (!ResourceName::Confine(m_name.c_str(), name)) {
            m_state = LoadState::Failed;
            return kNotFound;
        }
    } else {
        name = m_name.IsEmpty() ? std::string() : std::string(m_name.c_str());
        if (name.empty()) return kNotFound;
    }
    int result;
    if (ResourceName::HasSuffix(name, "txt") && FileOfDatabase(m_database, name)) {
        result = LoadTxt(name.c_str());
    } else if (FileOfDatabase(m_database, name)) {
        result = Load(name.c_str());
    } else if (FileOfDatabase(m_database, name + ".txt")) {
        result = LoadTxt((name + ".txt").c_str());
    } else {
        m_state = LoadState::Failed;
        return kNotFound;
    }
    if (result == kOk) result = LoadComplete();
    if (result != kOk) {
        m_state = LoadState::Failed;
        return result;
    }
    m_state = LoadState::Loaded;
    ++m_locks;
    return kOk;
}

void Resource::Unlock() {
    if (m_locks > 0) --m_locks;
}

}  // namespace Vek
