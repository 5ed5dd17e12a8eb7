#pragma once
// The search-filter tree sent to the asset-database daemon: groups of
// conditions, each condition naming one field of the daemon's asset records.
// This side builds trees, writes them, reads them back, renders them as text
// and compares them; it never evaluates one against an asset.
//
// Wire form: a tagged element is its kind's four-character tag as a
// little-endian int32 (so 'grup' goes out as the bytes "purg"), then the
// element's body; a null element is the int32 0 alone. See each kind for its
// body.
#include <cstdint>

#include "engine/PString.h"

class TStream;

// A four-character constant, first character most significant.
constexpr uint32_t FilterTag(const char (&text)[5]) {
    return (static_cast<uint32_t>(static_cast<unsigned char>(text[0])) << 24) |
           (static_cast<uint32_t>(static_cast<unsigned char>(text[1])) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(text[2])) << 8) |
           static_cast<uint32_t>(static_cast<unsigned char>(text[3]));
}

constexpr uint32_t kFilterTagGroup = FilterTag("grup");      // 0x67727570
constexpr uint32_t kFilterTagString = FilterTag("strn");     // 0x7374726E
constexpr uint32_t kFilterTagBool = FilterTag("bool");       // 0x626F6F6C
constexpr uint32_t kFilterTagInt = FilterTag("inte");        // 0x696E7465
constexpr uint32_t kFilterTagTimestamp = FilterTag("time");  // 0x74696D65
constexpr uint32_t kFilterTagAssetID = FilterTag("asst");    // 0x61737374

class VADFilterElement {
public:
    VADFilterElement() = default;
    virtual ~VADFilterElement();
    VADFilterElement(const VADFilterElement&) = delete;
    VADFilterElement& operator=(const VADFilterElement&) = delete;

    // The keyword of the element's field ("group" for a group, "unknown" for
    // a field number outside its kind's table).
    virtual Vek::PString GetFieldName() const = 0;
    // The element's value as text.
    virtual Vek::PString GetValueString() const = 0;
    // The kind's four-character tag.
    virtual uint32_t GetTag() const = 0;
    // Writes the element's body (without its tag); true on success.
    virtual bool Write(TStream& stream) const = 0;
    // Replaces the element's contents with a body read from the stream. A
    // short read yields zero values (the stream records the error) and still
    // gives true; only a group's read fails (see VADFilterElementGroup).
    virtual bool Read(TStream& stream) = 0;
    // True when `other` describes the same condition: the same field keyword
    // and the same value text. Tags are not compared. False for null.
    virtual bool Equals(const VADFilterElement* other) const;
};

// True when a accepts b and b accepts a (two nulls are equal).
bool FilterElementsEqual(const VADFilterElement* a, const VADFilterElement* b);
