#include "gscompiler/codegen/GSLabelTable.h"

#include "foundation/containers/GSLibraryBuffer.h"
#include "gscompiler/GSCompileUnit.h"

int32_t GSLabelTable::NewLabel() {
    if (m_labels.size() >= static_cast<std::size_t>(INT32_MAX)) return -1;
    m_labels.push_back(Label());
    return static_cast<int32_t>(m_labels.size() - 1);
}

int32_t GSLabelTable::LabelByName(const char* name) {
    const std::string key(name ? name : "");
    auto found = m_names.find(key);
    if (found != m_names.end()) return found->second;
    const int32_t label = NewLabel();
    if (label >= 0) m_names.emplace(key, label);
    return label;
}

bool GSLabelTable::PlaceLabel(int32_t label, uint32_t position) {
    if (label < 0 || static_cast<std::size_t>(label) >= m_labels.size()) return false;
    Label& record = m_labels[static_cast<std::size_t>(label)];
    if (record.placed) return false;
    record.placed = true;
    record.position = position;
    return true;
}

bool GSLabelTable::Position(int32_t label, uint32_t& position) const {
    if (label < 0 || static_cast<std::size_t>(label) >= m_labels.size()) return false;
    const Label& record = m_labels[static_cast<std::size_t>(label)];
    if (!record.placed) return false;
    position = record.position;
    return true;
}

void GSLabelTable::AddFixup(uint32_t position, int32_t label, const char* message, int32_t line) {
    m_fixups.push_back({label, position, message ? message : "", line});
}

int32_t GSLabelTable::ResolveFixups(GSLibraryBuffer& code, GSCompileUnit* unit) {
    int32_t unplaced = 0;
    const uint32_t end = code.Position();
    for (const Fixup& fixup : m_fixups) {
        uint32_t target = 0;
        if (!Position(fixup.label, target)) {
            unplaced += 1;
            if (unit) unit->Report(true, false, fixup.line, "%s, line %d", fixup.message, fixup.line);
        }
        code.SetPosition(fixup.position);
        code.WriteUInt32(target);
    }
    code.SetPosition(end);
    return unplaced;
}

void GSLabelTable::Clear() {
    m_labels.clear();
    m_names.clear();
    m_fixups.clear();
}
