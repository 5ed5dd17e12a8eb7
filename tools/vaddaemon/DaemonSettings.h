#pragma once
// Settings soups by name (operations 100 to 102), user names (operation
// 90) and the online access's per-asset soups (operations 121 and 122),
// kept in the store.
//
// Soups travel in the binary soup form. A soup that arrives is read and
// written out again before it is stored, so what the store holds is always
// a well-formed soup; one that does not read is not stored. A name that has
// nothing stored reads as the form of no soup (the 16-byte header with an
// empty body).
//
// Writing the "internet" settings also records the user's name ("username")
// under the user's id (their "user-id", else the one the daemon was given),
// so that operation 90 can name the user; that id is also the range of the
// KUIDs that the daemon generates.
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/kuid/KUID.h"

class AssetLibrary;
class TStream;

class DaemonSettings {
public:
    explicit DaemonSettings(AssetLibrary& library) : m_library(library) {}

    // Writes the stored soup (or the form of no soup) to `reply`.
    void Read(const std::string& name, TStream& reply);
    enum class WriteResult { kStored, kMalformed, kNotStored };
    // Reads a soup from `payload`'s position and stores it. kMalformed when
    // it does not read; kNotStored, with the store's reason in `error`, when
    // the store refused the write. Either way nothing is stored.
    WriteResult Write(const std::string& name, TStream& payload, std::string& error);
    // The text of `key` in the soup `name`; empty when missing.
    std::string Value(const std::string& name, const std::string& key);
    // The name recorded for the user id; empty when none.
    std::string UserName(int32_t user);

    void ReadLocalData(const KUID& kuid, const std::string& key, TStream& reply);
    bool WriteLocalData(const KUID& kuid, const std::string& key, TStream& payload);

    // Reads a binary soup from `payload` and writes it again into `bytes`.
    static bool NormaliseSoup(TStream& payload, std::vector<uint8_t>& bytes);

private:
    AssetLibrary& m_library;
};
