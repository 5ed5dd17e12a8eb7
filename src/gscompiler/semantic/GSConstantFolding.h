#pragma once
// Constant folding of GameScript operator nodes. A folded node becomes the
// constant it computes (its operand nodes are dropped); it keeps its line
// and its statement flags. Every operator folds to exactly what its
// instruction computes at run time, since compiled libraries rely on the
// instructions: >> is a logical shift, comparisons read the sign of a
// wrapping (int) or float difference, and `and` / `or` leave the deciding
// operand's tested value (so a folded bool may hold another value than 0
// or 1, as it may at run time).
//
// What is deliberately not folded, so that the program keeps the meaning
// it has at run time:
//   - integer / and % by 0 and the smallest int divided by -1, and float /
//     and % by +0.0 (all bits zero): the interpreter raises its
//     divide-by-zero error for them;
//   - + with a string operand (it only concatenates at run time);
//   - comparisons with a string operand: the interpreter compares the texts.
#include <cstdint>

struct GSCNode;

// Folds a unary operator node (+, -, !, ~) whose operand (child 0) is a
// single constant. False, nothing changed, when it cannot be folded.
bool GSFoldUnary(GSCNode* node);

// Folds a binary operator node (* / % + - << >> < > <= >= == != & ^ |
// and or) whose operands (children 0 and 1) are single constants. False,
// nothing changed, when it cannot be folded.
bool GSFoldBinary(GSCNode* node);

// Makes `node` a constant of the given type (bool, int, float or string)
// with the given value: kind constant, the matching constant kind, no
// children, no class, not an l-value.
void GSMakeConstant(GSCNode* node, int32_t typeCode, uintptr_t value);

// True when `node` is a constant expression with nothing chained after it.
bool GSIsSingleConstant(const GSCNode* node);

// The interpreter's float-to-int conversion: truncation toward zero; NaN
// and values outside the int range give the smallest int.
int32_t GSFloatToInt(float value);
