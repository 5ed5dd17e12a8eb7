#include "vaddaemon/StoreFailure.h"

#include <sqlite3.h>

#include <filesystem>

namespace {

thread_local bool t_noted = false;
thread_local StoreFailure t_failure;

}  // namespace

bool IsDamageCode(int code) { return code == SQLITE_CORRUPT || code == SQLITE_NOTADB; }

std::string StoreFailureCause(int code, const std::string& message, const std::string& osPath) {
    if (code != SQLITE_FULL) return message;
    const std::string folder = std::filesystem::path(osPath).parent_path().string();
    return "the disk holding " + folder + " is full (" + message + ")";
}

std::string DescribeStoreFailure(int code, const std::string& message, const std::string& osPath) {
    if (IsDamageCode(code))
        return "The asset database " + osPath + " is damaged (" + message +
               "). \"repairdatabase\" keeps it aside and makes a new one.";
    if (code == SQLITE_FULL)
        return "The asset database " + osPath + " could not be written: " +
               StoreFailureCause(code, message, osPath) + ".";
    return "The asset database " + osPath + " failed: " + message + ".";
}

void NoteStoreFailure(int code, const std::string& message, const std::string& osPath) {
    if (t_noted) return;
    t_noted = true;
    t_failure.code = code;
    t_failure.damaged = IsDamageCode(code);
    t_failure.cause = StoreFailureCause(code, message, osPath);
    t_failure.text = DescribeStoreFailure(code, message, osPath);
}

void ClearStoreFailure() {
    t_noted = false;
    t_failure = StoreFailure();
}

bool TakeStoreFailure(StoreFailure& failure) {
    if (!t_noted) return false;
    failure = std::move(t_failure);
    ClearStoreFailure();
    return true;
}

const StoreFailure* NotedStoreFailure() { return t_noted ? &t_failure : nullptr; }
