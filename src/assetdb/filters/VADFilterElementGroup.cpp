#include "assetdb/filters/VADFilterElementGroup.h"

#include <string>

#include "foundation/streams/Stream.h"

VADFilterElementGroup::VADFilterElementGroup(std::unique_ptr<VADFilterElement> first) {
    if (first) m_children.push_back(std::move(first));
}

VADFilterElementGroup::~VADFilterElementGroup() = default;

void VADFilterElementGroup::AddElement(std::unique_ptr<VADFilterElement> element) {
    m_children.push_back(std::move(element));
}

void VADFilterElementGroup::AddNegatedElement(std::unique_ptr<VADFilterElement> element) {
    auto group = std::make_unique<VADFilterElementGroup>(std::move(element));
    group->SetNegated(true);
    m_children.push_back(std::move(group));
}

Vek::PString VADFilterElementGroup::GetFieldName() const { return Vek::PString("group"); }

Vek::PString VADFilterElementGroup::GetValueString() const {
    std::string text;
    bool first = true;
    for (const auto& child : m_children) {
        // A null child states no condition and shows nothing.
        if (!child) continue;
        if (!first) text += ", ";
        first = false;
        text += child->GetFieldName().c_str();
        text += ":(";
        text += child->GetValueString().c_str();
        text += ")";
    }
    return Vek::PString(text.c_str(), text.size());
}

bool VADFilterElementGroup::Write(TStream& stream) const {
    bool ok = stream.WriteByte(m_matchAll ? 1 : 0);
    ok = stream.WriteByte(m_negated ? 1 : 0) && ok;
    ok = stream.WriteInt32(static_cast<int32_t>(m_children.size())) && ok;
    if (!ok) return false;
    for (const auto& child : m_children)
        if (!WriteTaggedFilterElement(stream, child.get())) return false;
    return true;
}

bool VADFilterElementGroup::Read(TStream& stream) {
    FilterRead::Budget budget;
    return ReadWithin(stream, budget);
}

bool VADFilterElementGroup::ReadWithin(TStream& stream, FilterRead::Budget& budget) {
    bool matchAll = false;
    bool negated = false;
    stream.ReadBool(matchAll);
    stream.ReadBool(negated);
    m_matchAll = matchAll;
    m_negated = negated;
    m_children.clear();
    int32_t count = 0;
    stream.ReadInt32(count);
    if (count > budget.elementsLeft || budget.depth >= kMaxFilterDepth) return false;

    budget.depth += 1;
    bool ok = true;
    for (int32_t i = 0; i < count; ++i) {
        std::unique_ptr<VADFilterElement> child = FilterRead::ReadTagged(stream, budget);
        if (!child) {
            ok = false;
            break;
        }
        m_children.push_back(std::move(child));
    }
    budget.depth -= 1;
    return ok;
}

bool VADFilterElementGroup::Equals(const VADFilterElement* other) const {
    const auto* group = dynamic_cast<const VADFilterElementGroup*>(other);
    if (!group) return false;
    if (group->m_children.size() != m_children.size() || group->m_negated != m_negated ||
        group->m_matchAll != m_matchAll)
        return false;
    for (std::size_t i = 0; i < m_children.size(); ++i)
        if (!FilterElementsEqual(m_children[i].get(), group->m_children[i].get())) return false;
    return true;
}
