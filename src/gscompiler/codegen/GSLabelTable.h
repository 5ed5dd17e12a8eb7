#pragma once
// GSLabelTable: the jump labels of the function being generated. Labels
// are numbered from 0; a named label (`goto` and its target) gets its
// number on first use of the name. Jumps to a label that is not placed yet
// are written with a zero target and recorded as fix-ups, which
// ResolveFixups fills in once the function's code is complete.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class GSCompileUnit;
class GSLibraryBuffer;

class GSLabelTable {
public:
    struct Fixup {
        int32_t label;
        uint32_t position;    // of the jump's uint32 operand
        const char* message;  // reported when the label is never placed
        int32_t line;
    };

    // A new label; -1 when none can be made.
    int32_t NewLabel();
    // The label of a name, made on first use.
    int32_t LabelByName(const char* name);
    // Places a label at a code position; false for an unknown label or one
    // placed already.
    bool PlaceLabel(int32_t label, uint32_t position);
    // True when the label exists and is placed; `position` then holds it.
    bool Position(int32_t label, uint32_t& position) const;
    void AddFixup(uint32_t position, int32_t label, const char* message, int32_t line);
    // Writes every fix-up's label position into the code (0 for a label
    // never placed, which is reported as "%s, line %d" with the fix-up's
    // message and line, as an error of `unit` when given). Returns the
    // number of such reports.
    int32_t ResolveFixups(GSLibraryBuffer& code, GSCompileUnit* unit);
    // Forgets every label, name and fix-up; numbering restarts at 0.
    void Clear();

    const std::vector<Fixup>& Fixups() const { return m_fixups; }

private:
    struct Label {
        bool placed = false;
        uint32_t position = 0;
    };
    std::vector<Label> m_labels;  // indexed by label id
    std::unordered_map<std::string, int32_t> m_names;
    std::vector<Fixup> m_fixups;
};
