#pragma once
// The typing rules of GameScript operators and assignments.
//
// Every operator code either has a result-type table or is special (member
// access, index, range, cast, assignment, size, isclass, copy, new: the
// semantic pass types those itself). A unary table is indexed by the
// operand's type, a binary table by the left and the right type; a result
// of none (12) means the operand types are not allowed. Two further
// properties per operator: whether it is unary and whether a node of it
// whose operands are constants may be folded.
//
// The assignment table says which source types a target type accepts; it
// serves '=', initialisers, casts and argument matching.
#include <cstdint>

// True for the operators typed by a table.
bool GSOperatorHasTable(int32_t op);
// True for the unary operators among them (--, ++, unary + and -, !, ~).
bool GSOperatorIsUnary(int32_t op);
// True for the operators whose constant operands may be folded.
bool GSOperatorFolds(int32_t op);

// The result type of a unary operator on an operand type; none (12) when
// not allowed or when the operator has no unary table.
int32_t GSUnaryResultType(int32_t op, int32_t operand);
// The result type of a binary operator on two operand types; none (12) when
// not allowed or when the operator has no binary table.
int32_t GSBinaryResultType(int32_t op, int32_t left, int32_t right);

// True when a value of type `source` may be assigned to a target of type
// `target`: bool, int and float take bool, int and float; string takes
// those, string and null; object takes object and null; each array type
// from bool[] to object[] takes itself and null; nothing else takes
// anything.
bool GSAssignAllowed(int32_t target, int32_t source);
