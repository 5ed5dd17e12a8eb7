#pragma once
// The GameScript vocabulary shared by the compiler, the library format and
// the runtime: type codes, specifier bits, operator codes, their printed
// names, and function signature texts.
#include <cstdint>
#include <string>

struct GSCNode;

// Type codes. An array code is its element code + 6.
enum GSTypeCode : int32_t {
    kGSTypeVoid = 0,
    kGSTypeBool = 1,
    kGSTypeInt = 2,
    kGSTypeFloat = 3,
    kGSTypeString = 4,
    kGSTypeObject = 5,
    kGSTypeVoidArray = 6,
    kGSTypeBoolArray = 7,
    kGSTypeIntArray = 8,
    kGSTypeFloatArray = 9,
    kGSTypeStringArray = 10,
    kGSTypeObjectArray = 11,
    kGSTypeNone = 12,  // no type yet, or not a value
    kGSTypeNull = 13,  // the type of the null constant
};
constexpr int32_t kGSArrayOffset = 6;

// Specifier bits of declarations, symbols and library class records.
enum GSSpecifier : uint32_t {
    kGSPublic = 0x1,
    kGSNative = 0x2,
    kGSStatic = 0x4,
    kGSFinal = 0x8,
    kGSThread = 0x10,
    kGSConstructor = 0x20,  // the class-initialisation function; no keyword
    kGSGame = 0x40,
    kGSDefine = 0x80,
    kGSSecured = 0x100,
};

// Operator codes: the sub-kind of operator expression nodes.
enum GSOperator : int32_t {
    kGSOpPostDecrement = 0,
    kGSOpPostIncrement = 1,
    kGSOpMember = 2,
    kGSOpUnaryPlus = 3,
    kGSOpNegate = 4,
    kGSOpNot = 5,
    kGSOpComplement = 6,
    kGSOpPreDecrement = 7,
    kGSOpPreIncrement = 8,
    kGSOpRange = 9,
    kGSOpIndex = 10,
    kGSOpCast = 11,
    kGSOpMultiply = 12,
    kGSOpDivide = 13,
    kGSOpModulo = 14,
    kGSOpAdd = 15,
    kGSOpSubtract = 16,
    kGSOpShiftLeft = 17,
    kGSOpShiftRight = 18,
    kGSOpLess = 19,
    kGSOpGreater = 20,
    kGSOpLessEqual = 21,
    kGSOpGreaterEqual = 22,
    kGSOpEqual = 23,
    kGSOpNotEqual = 24,
    kGSOpBitAnd = 25,
    kGSOpBitXor = 26,
    kGSOpBitOr = 27,
    kGSOpAnd = 28,
    kGSOpOr = 29,
    kGSOpAssign = 30,
    kGSOpSize = 31,
    kGSOpIsClass = 32,
    kGSOpCopy = 33,
    kGSOpNew = 34,
};

// The printed name of a type code: "void" ... "object[]", "" for none,
// "null"; "illegal type" for any other code.
const char* GSTypeName(int32_t code);

// The type name of a typed item (code and class name): the class name for
// an object of a known class, the class name and "[]" for an object array
// of a known class, otherwise GSTypeName of the code.
const char* GSTypeNameOf(int32_t code, const char* className);
// The same for a node: "illegal type" for no node. A type node (declaration
// kind 6) that has not been typed yet (type code none) is named by its
// sub-kind. The result stays valid until the next call.
const char* GSTypeNameOf(const GSCNode* node);

// The printed name of an operator code; "" for an unknown code.
const char* GSOperatorName(int32_t code);

// The specifier text of a flag word: "public ", "native ", "static ",
// "final ", "thread ", "constructor ", "game ", "secured ", "define " for
// the set bits, in that order. The result stays valid until the next call.
const char* GSSpecifierText(uint32_t flags);

// The type code of a type name: the primitive names and their arrays give
// 0 to 11, "null" 13. Any other name is a class: with "[]" in it 11;
// without, 5 when `className` is given, else 12. When `className` is
// given it receives the name with a final "[]" removed.
int32_t GSTypeFromName(const char* name, std::string* className = nullptr);

// Type equality: null (13) and object (5) match either way round;
// otherwise equal codes, and two objects must have equal class names (both
// absent, or equal byte for byte). Object arrays are not compared by class.
bool GSSameType(int32_t codeA, const char* classA, int32_t codeB, const char* classB);
bool GSSameType(const GSCNode* a, const GSCNode* b);
bool GSSameTypeAs(const char* className, int32_t code, const GSCNode* item);

// Builds a function's signature text from its definition or prototype node
// (declaration kinds 0 and 1): with `withResult` and a result type, "$"
// and the result type's name; with a class name, "@" and the class; then
// "::", the name, "(", the parameter type names joined by ",", ")". False
// for any other node.
bool GSBuildSignature(const char* className, const GSCNode* function, std::string& out, bool withResult);

// Walks the argument type names of a signature text. First: false (and
// position -1) when the text has no "("; otherwise the first argument.
// Next: the text from `position` up to the next "," or ")"; false, with
// position -1, when that is empty or the position is already -1.
bool GSSignatureFirstArgument(int32_t& position, std::string& argument, const char* signature);
bool GSSignatureNextArgument(const char* signature, int32_t& position, std::string& argument);
