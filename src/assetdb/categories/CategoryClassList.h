#pragma once
// Category-class lists and patterns.
//
// A list is a text of short codes joined by ';' ("TR;TV;LOC;ELEC"); empty
// tokens from consecutive ';' are passed over, and a '|' ends the list. A
// pattern is a set of alternatives separated by '|', each a sequence of codes
// joined by ';' that must all hold; a code starting with '-' is negated
// ("CMP;MESH|BD;-ACTV|VE|SCEN"). Codes compare exactly and case-sensitively;
// callers upper-case user input first. All texts are 8-bit.
#include "engine/AnsiString.h"

// Does one code (or a negated code) hold for a list? The code runs up to its
// first ';', '|' or the end. False for a null list or code.
bool MatchCategoryCode(const char* list, const char* code);

// Does a pattern hold for a list? A null or empty pattern holds for any
// list; otherwise a null list gives false. An empty alternative reached at
// the start or after a failing one holds; a '|' at the very end adds none.
bool MatchCategoryPattern(const char* pattern, const char* list);

// The first code of a list or pattern: the text up to its first ';', '|' or
// end; empty for a null text.
Vek::String FirstCategoryCode(const char* text);

// Appends one code (the code text up to its first ';', '|' or end) to a list,
// with a ';' before it when the list is not empty. Nothing happens for a
// null or empty code or one that begins with ';' or '|'.
void AppendCategoryListToken(const char* code, Vek::String& list);

// Sets `result` to the base list extended by a "#"-prefixed token for each
// code of `addedCodes` that the result does not hold yet ('TR;TV' and 'XYZ'
// give 'TR;TV;#XYZ'). Codes of the added list are separated by ';'; a '|'
// there separates codes in the same way.
void AppendCategoryCodes(Vek::String& result, const char* baseList, const char* addedCodes);
