#pragma once
// TETLib::TagList: the tags of one configuration container, in order, with
// an index by name, so that finding a tag costs a hash look-up instead of a
// walk of every tag (a configuration may hold 100,000 of them). It reads like
// a vector of tags; every change of the list or of a listed tag's name goes
// through it, which keeps the index current.
//
// Each tag carries an order key that grows along the list: appending takes
// one past the last, inserting in front one below the first, and any other
// insertion numbers the whole list again. Per name the index keeps its tags
// by key, so the first remaining tag of a name is the first of its set.
//
// The list does not own its tags. A tag stands in one list at most once.
#include <cstddef>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <vector>

#include "engine/PString.h"

namespace TETLib {

class Tag;

class TagList {
public:
    using const_iterator = std::vector<Tag*>::const_iterator;

    TagList() = default;
    TagList(const TagList&) = delete;
    TagList& operator=(const TagList&) = delete;

    const_iterator begin() const { return m_tags.begin(); }
    const_iterator end() const { return m_tags.end(); }
    std::size_t size() const { return m_tags.size(); }
    bool empty() const { return m_tags.empty(); }
    Tag* operator[](std::size_t i) const { return m_tags[i]; }

    void push_back(Tag* tag);
    // Inserts [first, last) before `position`, in their order.
    void insert(const_iterator position, std::vector<Tag*>::const_iterator first,
                std::vector<Tag*>::const_iterator last);
    void clear();
    // Empties the list and hands its tags over, in order.
    std::vector<Tag*> TakeAll();

    // The first tag named `name`, or null.
    Tag* Find(const Vek::PString& name) const;
    // Gives `tag` the name `name`, and keeps the index current when the tag
    // is in this list.
    void Rename(Tag& tag, const Vek::PString& name);

private:
    struct NodeHash {
        std::size_t operator()(const Vek::PStringCache::Node* node) const {
            return std::hash<const void*>()(node);
        }
    };
    struct Named {
        Vek::PString name;  // holds the interned text the map is keyed by
        std::map<int64_t, Tag*> byKey;
    };

    void Index(Tag* tag, int64_t key);
    void Unindex(const Tag* tag, int64_t key);
    void Reindex();

    std::vector<Tag*> m_tags;
    std::vector<int64_t> m_keys;  // m_keys[i]: the order key of m_tags[i]
    std::unordered_map<const Tag*, int64_t> m_keyOf;
    std::unordered_map<const Vek::PStringCache::Node*, Named, NodeHash> m_byName;
};

}  // namespace TETLib
