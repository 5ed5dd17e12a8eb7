#pragma once
// KUID: the identifier of every asset: the author's user id, a content number
// within the user's range, and a version.
//
// Valid values: a user id from 0 to 0x1FFFFFF (25 bits) with any version
// from 0 to 127, or a user id from -0x2000000 to -1 with version 127. The
// content id may be any value. The null KUID (-1, -1, 127) marks the absence
// of an asset.
//
// A KUID whose version is 0 with a user id of 0 or more, or 127 with a
// negative user id, is a two-part KUID: its text forms leave the version
// out ("<kuid:%d:%d>"); every other KUID is written with it
// ("<kuid2:%d:%d:%d>").
//
// Packed word: (version << 25) | (user & 0x1FFFFFF). Unpacking sign-extends
// the 25-bit user id from bit 24, so ids from 0x1000000 to 0x1FFFFFF come back
// 0x2000000 lower. The 8-byte packed record (the configuration soup's KUID
// value) is {packed word, content id}; the stream form is the other way
// round: content id, then packed word. All words little-endian.
//
// KUID is a plain 12-byte value (no virtual operations), so arrays and
// records can hold it by value; a script-side object may derive from it.
#include <cstddef>
#include <cstdint>

#include "engine/AnsiString.h"
#include "engine/PString.h"

class TStream;

class KUID {
public:
    static constexpr int32_t kMaxUserID = 0x1FFFFFF;
    static constexpr int32_t kMinUserID = -0x2000000;
    static constexpr int32_t kMaxVersion = 127;
    static constexpr uint32_t kUserMask = 0x1FFFFFF;
    static constexpr int kVersionShift = 25;
    // The packed word of the null KUID.
    static constexpr uint32_t kNullPacked = 0xFFFFFFFFu;

    // The null KUID.
    constexpr KUID() = default;
    constexpr KUID(int32_t user, int32_t content, int32_t version)
        : m_user(user), m_content(content), m_version(version) {}

    // The one shared null KUID (-1, -1, 127).
    static const KUID& Null();

    int32_t GetUserID() const { return m_user; }
    int32_t GetContentID() const { return m_content; }
    int32_t GetVersion() const { return m_version; }
    void SetUserID(int32_t user) { m_user = user; }
    void SetContentID(int32_t content) { m_content = content; }
    void SetVersion(int32_t version) { m_version = version; }
    void Set(int32_t user, int32_t content, int32_t version) {
        m_user = user;
        m_content = content;
        m_version = version;
    }
    void SetNull() { *this = KUID(); }

    bool operator==(const KUID& other) const {
        return m_user == other.m_user && m_content == other.m_content && m_version == other.m_version;
    }
    bool operator!=(const KUID& other) const { return !(*this == other); }

    // All three fields equal to the null KUID's.
    bool IsNull() const { return m_user == -1 && m_content == -1 && m_version == kMaxVersion; }
    // Version 0 with a user id >= 0, or version 127 with a negative user id.
    bool IsTwoPart() const { return (m_version == 0 && m_user >= 0) || (m_version == kMaxVersion && m_user < 0); }
    // The user id and version rules above (the null KUID passes them).
    bool IsValid() const;

    // ---- packed forms ----
    uint32_t GetPacked() const {
        return (static_cast<uint32_t>(m_version) << kVersionShift) | (static_cast<uint32_t>(m_user) & kUserMask);
    }
    // Unpacks without any check.
    static KUID FromPackedWord(uint32_t packed, int32_t content);
    void ToPacked(uint32_t& packed, int32_t& content) const {
        packed = GetPacked();
        content = m_content;
    }
    void FromPacked(uint32_t packed, int32_t content) { *this = FromPackedWord(packed, content); }
    // The 8-byte record {packed word, content id}, little-endian.
    static constexpr int kPackedRecordSize = 8;
    void ToPackedRecord(uint8_t record[kPackedRecordSize]) const;
    void FromPackedRecord(const uint8_t record[kPackedRecordSize]);

    // ---- text forms ----
    // "<kuid:%d:%d>" (two-part) or "<kuid2:%d:%d:%d>"; "<NULL>" for the null KUID.
    Vek::PString ToTagString() const;
    // The same text written into `out` (no NUL), without interning it;
    // returns its length.
    static constexpr std::size_t kTagTextCapacity = 48;
    std::size_t FormatTagText(char (&out)[kTagTextCapacity]) const;
    // "<kuid:%d:%d>" whatever the version; "<NULL>" for the null KUID.
    Vek::PString ToBaseTagString() const;
    // "kuid %d %d" or "kuid2 %d %d %d"; "NULLKUID" for the null KUID. Used for
    // per-asset folder and file names.
    Vek::String ToFolderName() const;
    // "%d:%d" or "%d:%d:%d"; "NULLKUID" for the null KUID.
    Vek::String ToShortString() const;
    // The same, called with the KUID as argument.
    static Vek::PString ToTagString(const KUID& kuid) { return kuid.ToTagString(); }
    static Vek::PString ToBaseTagString(const KUID& kuid) { return kuid.ToBaseTagString(); }
    static Vek::String ToFolderName(const KUID& kuid) { return kuid.ToFolderName(); }
    static Vek::String ToShortString(const KUID& kuid) { return kuid.ToShortString(); }

    // ---- parsing ----
    // Parses a NUL-terminated text (null allowed). Never fails: a text it
    // does not accept gives the null KUID. Strict mode accepts only the tag
    // forms with a "kuid" prefix ("<kuid:U:C>", "<kuid2:U:C:V>", "kuid:U:C",
    // "kuid2:U:C:V", any letter case) and checks their characters (digits,
    // with a '-' allowed before U of the two-field forms and before C of
    // every form, so that every tag text written parses back); lenient
    // mode does not check the characters after the prefix and also accepts
    // "U:C", "<U:C>", "<U:C" and a bare content number "C" (user -1). The
    // folder-name form does not parse.
    static KUID Parse(const char* text, bool strict);

    // ---- stream form ----
    // Two int32: the content id, then the packed word.
    bool Write(TStream& stream) const;
    // Reads the two words and unpacks them; a word cut short keeps the null
    // KUID's value (content -1, packed word 0xFFFFFFFF) and the stream
    // records its past-the-end error. True when both words were read.
    bool Read(TStream& stream);

private:
    int32_t m_user = -1;
    int32_t m_content = -1;
    int32_t m_version = kMaxVersion;
};

// The order of sorted KUID containers: user id, then content id, then
// version, each compared as unsigned 32-bit; negative user ids sort after
// every positive one.
struct KUIDLess {
    bool operator()(const KUID& a, const KUID& b) const;
};

// A KUID plus one further 32-bit word, the key of some caches.
struct KUIDKey {
    KUID kuid;
    uint32_t word = 0;
};

// KUIDLess on the KUIDs; for equal KUIDs the further words, unsigned.
struct KUIDKeyLess {
    bool operator()(const KUIDKey& a, const KUIDKey& b) const;
    bool operator()(const KUID& a, uint32_t aWord, const KUID& b, uint32_t bWord) const;
};
