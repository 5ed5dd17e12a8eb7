#pragma once
// The GameScript language document that "compile -d" prints: a reference of
// the language, its keywords, operators and grammar, and of the compiler.

// The whole document (plain ASCII, lines ending in LF, no final line end).
const char* GSLanguageDocument();
