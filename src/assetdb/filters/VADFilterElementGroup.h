#pragma once
// A group of filter elements. It owns its children and keeps them in the
// order they were added, which is their wire order and text order. With the
// match-all flag (set in every group this program builds) all children must
// match; a negated group asks that they do not.
//
// Body: match-all flag (1 byte); negated flag (1 byte); child count (int32);
// each child as a tagged element.
#include <cstdint>
#include <memory>
#include <vector>

#include "assetdb/filters/FilterElementIO.h"
#include "assetdb/filters/VADFilterElement.h"

class VADFilterElementGroup : public VADFilterElement {
public:
    // Match-all 1, negated 0; a non-null first element becomes the first child.
    explicit VADFilterElementGroup(std::unique_ptr<VADFilterElement> first = nullptr);
    ~VADFilterElementGroup() override;

    // Appends a child (a null child is kept, and written as a null element).
    void AddElement(std::unique_ptr<VADFilterElement> element);
    // Appends a new negated group holding only `element`.
    void AddNegatedElement(std::unique_ptr<VADFilterElement> element);
    void SetNegated(bool negated) { m_negated = negated; }
    void SetMatchAll(bool matchAll) { m_matchAll = matchAll; }

    bool IsNegated() const { return m_negated; }
    bool IsMatchAll() const { return m_matchAll; }
    std::size_t ChildCount() const { return m_children.size(); }
    const VADFilterElement* Child(std::size_t i) const { return m_children[i].get(); }

    // "group".
    Vek::PString GetFieldName() const override;
    // Each child as keyword ":(" value ")", joined by ", "; the flags do not
    // appear. Empty for a group without children.
    Vek::PString GetValueString() const override;
    uint32_t GetTag() const override { return kFilterTagGroup; }
    // Stops and fails at the first child whose write fails (a null child
    // writes the int32 0 and fails).
    bool Write(TStream& stream) const override;
    // Replaces the children with those read. False, keeping the children
    // read so far, when a child's tag is 0 or unknown, a child's read fails,
    // or the tree passes a reading bound.
    bool Read(TStream& stream) override;
    // The other element must be a group with the same flags and child count,
    // and equal children pair by pair.
    bool Equals(const VADFilterElement* other) const override;

    // Read within the bounds of the whole tree being read.
    bool ReadWithin(TStream& stream, FilterRead::Budget& budget);

private:
    bool m_matchAll = true;
    bool m_negated = false;
    std::vector<std::unique_ptr<VADFilterElement>> m_children;
};
