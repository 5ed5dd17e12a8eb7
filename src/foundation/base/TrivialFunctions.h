#pragma once
// Trivial functions that virtual slots, handler tables and callbacks point to
// when they have nothing to do or a constant to answer.
#include <cstdint>

// Returns its argument.
template <typename T>
T Identity(T value) {
    return value;
}

// Does nothing.
void NoOp();

int32_t ReturnZero();
bool ReturnTrue();

// Stores null in a pointer slot (a null slot address is ignored).
void ClearPointer(void** slot);

// Orders records of three 32-bit words by their third word, then by their
// second, both unsigned: true when a comes before b.
bool LessByWord2ThenWord1(const uint32_t (&a)[3], const uint32_t (&b)[3]);
