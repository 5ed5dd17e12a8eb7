#pragma once
// Writing and reading tagged filter elements, and making an element from its
// tag.
//
// Reading is bounded, because trees also arrive from the wire: at most
// kMaxFilterDepth nested groups, kMaxFilterElements elements in one tree and
// kMaxFilterKUIDs KUIDs in one asset-id element. A tree beyond a bound fails
// to read.
#include <cstdint>
#include <memory>

#include "assetdb/filters/VADFilterElement.h"

class TStream;

constexpr int32_t kMaxFilterDepth = 64;
constexpr int32_t kMaxFilterElements = 65536;
constexpr int32_t kMaxFilterKUIDs = 1 << 20;

// Writes the element's tag and body; returns the element's Write result. A
// null element is written as the int32 0 and gives false.
bool WriteTaggedFilterElement(TStream& stream, const VADFilterElement* element);

// Reads a tag and the body of an element of that kind. Null when the tag is
// 0 or unknown, or when the body cannot be read (the partly read element is
// destroyed).
std::unique_ptr<VADFilterElement> ReadTaggedFilterElement(TStream& stream);

// A new element of the tag's kind, with its default contents (String: field
// 0, empty, not quoted; Bool: field 3); null for any other tag.
std::unique_ptr<VADFilterElement> CreateFilterElement(uint32_t tag);

namespace FilterRead {

// What is left of the bounds while one tree is read.
struct Budget {
    int32_t depth = 0;
    int32_t elementsLeft = kMaxFilterElements;
};

// ReadTaggedFilterElement within a budget shared by the whole tree.
std::unique_ptr<VADFilterElement> ReadTagged(TStream& stream, Budget& budget);

}  // namespace FilterRead
