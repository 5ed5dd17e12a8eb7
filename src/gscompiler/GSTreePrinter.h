#pragma once
// A readable text of a parse tree, for tests and diagnostics.
//
// A node prints as "(" label children ")" with its children in order
// (a missing child as "_", missing trailing children left out); a child that
// is a list of several nodes prints as "[" its elements "]". Labels:
// declarations "func", "proto", "include", "class", "vars", "decl",
// "type:<type name>", "param", and names as their text; statements by their
// keyword ("label", "block", ...); operators by their printed name, with
// "x++" "x--" "++x" "--x" "+x" "-x" for the postfix, prefix and unary forms;
// constants as true/false, decimal ints, floats with a trailing "f", and
// strings in double quotes; identifiers as their text, member names with a
// leading "."; "call", "me", "null". Options add "@line" after each label
// and "#flags" (hexadecimal) when a node has flags.
#include <string>

struct GSCNode;

struct GSTreePrintOptions {
    bool lines = false;
    bool flags = false;
};

// Prints a list (a node and the nodes chained after it through `next`).
std::string GSPrintTree(const GSCNode* list, const GSTreePrintOptions& options = {});
