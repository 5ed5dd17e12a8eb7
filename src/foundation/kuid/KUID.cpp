#include "foundation/kuid/KUID.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "foundation/streams/Stream.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// True when `text` starts with `prefix`, letters compared without case.
bool StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (*text == '\0' || AsciiUpper(*text) != AsciiUpper(*prefix)) return false;
    return true;
}

// A decimal scan as scanf's "%d" does it: leading white space, an optional
// sign, then at least one digit; it stops at the first character that cannot
// continue the number. Digits beyond the int32 range wrap around. On failure
// `out` keeps its value and nullptr is returned.
const char* ScanInt(const char* p, int32_t& out) {
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (!IsDigit(*p)) return nullptr;
    uint32_t value = 0;
    while (IsDigit(*p)) value = value * 10u + static_cast<uint32_t>(*p++ - '0');
    out = static_cast<int32_t>(negative ? 0u - value : value);
    return p;
}

// Scans "%d:%d" or "%d:%d:%d" into the fields in order; the fields after a
// failed scan or a missing ':' keep their values.
void ScanFields(const char* p, int32_t* const* fields, int count) {
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            if (*p != ':') return;
            ++p;
        }
        p = ScanInt(p, *fields[i]);
        if (!p) return;
    }
}

// Skips a run of zero or more digits.
const char* SkipDigits(const char* p) {
    while (IsDigit(*p)) ++p;
    return p;
}

// Skips an optional '-' and a run of zero or more digits.
const char* SkipSignedDigits(const char* p) {
    if (*p == '-') ++p;
    return SkipDigits(p);
}

// Strict shape of a one-colon form: optional '-', digits, ':', optional
// '-', digits. The content id may be negative: the tag texts this program
// writes print it with its sign, and they must parse back strictly.
// Returns the character after it, or nullptr.
const char* MatchSignedPair(const char* p) {
    p = SkipSignedDigits(p);
    if (*p != ':') return nullptr;
    return SkipSignedDigits(p + 1);
}

// Strict shape of the three-field form: digits ':' optional '-' digits ':'
// digits (only the content id may carry a sign).
const char* MatchTriple(const char* p) {
    p = SkipDigits(p);
    if (*p != ':') return nullptr;
    p = SkipSignedDigits(p + 1);
    if (*p != ':') return nullptr;
    return SkipDigits(p + 1);
}

// True when every character of [p, end) is a digit, '-' or ':' and exactly
// one of them is ':'.
bool IsBarePair(const char* p, const char* end) {
    int colons = 0;
    for (; p < end; ++p) {
        if (*p == ':')
            ++colons;
        else if (!IsDigit(*p) && *p != '-')
            return false;
    }
    return colons == 1;
}

int32_t VersionBySign(int32_t user) { return user >= 0 ? 0 : KUID::kMaxVersion; }

KUID ScanPair(const char* p) {
    int32_t user = -1;
    int32_t content = -1;
    int32_t* const fields[] = {&user, &content};
    ScanFields(p, fields, 2);
    return KUID(user, content, VersionBySign(user));
}

KUID ScanTriple(const char* p) {
    int32_t user = -1;
    int32_t content = -1;
    int32_t version = KUID::kMaxVersion;
    int32_t* const fields[] = {&user, &content, &version};
    ScanFields(p, fields, 3);
    if (static_cast<uint32_t>(user) > static_cast<uint32_t>(KUID::kMaxUserID)) return KUID();
    return KUID(user, content, version);
}

KUID ParseUnchecked(const char* text, bool strict) {
    if (!text) return KUID();
    if (StartsWithNoCase(text, "<NULL>")) return KUID();

    if (StartsWithNoCase(text, "<KUID:")) {
        const char* p = text + 6;
        if (strict) {
            const char* after = MatchSignedPair(p);
            if (!after || *after != '>') return KUID();
        }
        return ScanPair(p);
    }
    if (StartsWithNoCase(text, "<KUID2:")) {
        const char* p = text + 7;
        if (strict) {
            const char* after = MatchTriple(p);
            if (!after || *after != '>') return KUID();
        }
        return ScanTriple(p);
    }
    if (StartsWithNoCase(text, "KUID:")) {
        const char* p = text + 5;
        if (strict && !MatchSignedPair(p)) return KUID();
        return ScanPair(p);
    }
    if (StartsWithNoCase(text, "KUID2:")) {
        const char* p = text + 6;
        if (strict && !MatchSignedPair(p)) return KUID();
        return ScanTriple(p);
    }
    if (strict) return KUID();

    const char* end = text + std::strlen(text);
    // "123:456"
    if (IsBarePair(text, end)) return ScanPair(text);
    // "<123:456>" or "<123:456"
    if (text[0] == '<') {
        const char* last = end;
        if (last > text + 1 && last[-1] == '>') --last;
        if (IsBarePair(text + 1, last)) return ScanPair(text + 1);
    }
    // "456": a content number alone.
    bool digitsOnly = true;
    for (const char* p = text; p < end; ++p)
        if (!IsDigit(*p) && *p != '-') digitsOnly = false;
    if (digitsOnly) {
        int32_t content = -1;
        ScanInt(text, content);
        return KUID(-1, content, KUID::kMaxVersion);
    }
    return KUID();
}

}  // namespace

const KUID& KUID::Null() {
    static const KUID null;
    return null;
}

bool KUID::IsValid() const {
    if (m_version < 0 || m_version > kMaxVersion) return false;
    if (m_user >= 0) return m_user <= kMaxUserID;
    return m_user >= kMinUserID && m_version == kMaxVersion;
}

KUID KUID::FromPackedWord(uint32_t packed, int32_t content) {
    uint32_t low = packed & kUserMask;
    if (low & 0x1000000u) low |= 0xFE000000u;  // sign-extend from bit 24
    return KUID(static_cast<int32_t>(low), content, static_cast<int32_t>(packed >> kVersionShift));
}

void KUID::ToPackedRecord(uint8_t record[kPackedRecordSize]) const {
    const uint32_t packed = GetPacked();
    const uint32_t content = static_cast<uint32_t>(m_content);
    for (int i = 0; i < 4; ++i) {
        record[i] = static_cast<uint8_t>(packed >> (8 * i));
        record[4 + i] = static_cast<uint8_t>(content >> (8 * i));
    }
}

void KUID::FromPackedRecord(const uint8_t record[kPackedRecordSize]) {
    uint32_t packed = 0;
    uint32_t content = 0;
    for (int i = 0; i < 4; ++i) {
        packed |= static_cast<uint32_t>(record[i]) << (8 * i);
        content |= static_cast<uint32_t>(record[4 + i]) << (8 * i);
    }
    FromPacked(packed, static_cast<int32_t>(content));
}

// ---- text forms ----

namespace {

const Vek::PString& NullTagText() {
    static const Vek::PString text("<NULL>");
    return text;
}

}  // namespace

Vek::PString KUID::ToTagString() const {
    if (IsNull()) return NullTagText();
    char text[kTagTextCapacity];
    return Vek::PString(text, FormatTagText(text));
}

std::size_t KUID::FormatTagText(char (&out)[kTagTextCapacity]) const {
    // "%d" of each field is what to_chars gives; the longest text,
    // "<kuid2:" and three 11-byte numbers with two ':' and '>', is 43 bytes.
    const auto put = [&out](std::size_t at, std::string_view text) {
        std::memcpy(out + at, text.data(), text.size());
        return at + text.size();
    };
    const auto number = [&out](std::size_t at, int32_t value) {
        return static_cast<std::size_t>(std::to_chars(out + at, out + kTagTextCapacity, value).ptr - out);
    };
    if (IsNull()) return put(0, "<NULL>");
    const bool twoPart = IsTwoPart();
    std::size_t at = put(0, twoPart ? "<kuid:" : "<kuid2:");
    at = number(at, m_user);
    at = put(at, ":");
    at = number(at, m_content);
    if (!twoPart) {
        at = put(at, ":");
        at = number(at, m_version);
    }
    return put(at, ">");
}

Vek::PString KUID::ToBaseTagString() const {
    if (IsNull()) return NullTagText();
    char text[64];
    std::snprintf(text, sizeof text, "<kuid:%d:%d>", m_user, m_content);
    return Vek::PString(text);
}

Vek::String KUID::ToFolderName() const {
    Vek::String text;
    if (IsNull())
        text = "NULLKUID";
    else if (IsTwoPart())
        text.Format("kuid %d %d", m_user, m_content);
    else
        text.Format("kuid2 %d %d %d", m_user, m_content, m_version);
    return text;
}

Vek::String KUID::ToShortString() const {
    Vek::String text;
    if (IsNull())
        text = "NULLKUID";
    else if (IsTwoPart())
        text.Format("%d:%d", m_user, m_content);
    else
        text.Format("%d:%d:%d", m_user, m_content, m_version);
    return text;
}

// ---- parsing ----

KUID KUID::Parse(const char* text, bool strict) {
    const KUID result = ParseUnchecked(text, strict);
    return result.IsValid() ? result : KUID();
}

// ---- stream form ----

bool KUID::Write(TStream& stream) const {
    const bool content = stream.WriteInt32(m_content);
    const bool packed = stream.WriteUInt32(GetPacked());
    return content && packed;
}

bool KUID::Read(TStream& stream) {
    int32_t content;
    uint32_t packed;
    const bool haveContent = stream.ReadInt32(content, -1);
    const bool havePacked = stream.ReadUInt32(packed, kNullPacked);
    FromPacked(packed, content);
    return haveContent && havePacked;
}

// ---- orderings ----

bool KUIDLess::operator()(const KUID& a, const KUID& b) const {
    const uint32_t au = static_cast<uint32_t>(a.GetUserID()), bu = static_cast<uint32_t>(b.GetUserID());
    if (au != bu) return au < bu;
    const uint32_t ac = static_cast<uint32_t>(a.GetContentID()), bc = static_cast<uint32_t>(b.GetContentID());
    if (ac != bc) return ac < bc;
    return static_cast<uint32_t>(a.GetVersion()) < static_cast<uint32_t>(b.GetVersion());
}

bool KUIDKeyLess::operator()(const KUID& a, uint32_t aWord, const KUID& b, uint32_t bWord) const {
    const KUIDLess less;
    if (less(a, b)) return true;
    if (less(b, a)) return false;
    return aWord < bWord;
}

bool KUIDKeyLess::operator()(const KUIDKey& a, const KUIDKey& b) const {
    return (*this)(a.kuid, a.word, b.kuid, b.word);
}
