#include "tetlib/container/TagList.h"

#include <iterator>

#include "tetlib/container/Tag.h"

namespace TETLib {

void TagList::Index(Tag* tag, int64_t key) {
    m_keyOf[tag] = key;
    Named& named = m_byName[tag->name.GetNode()];
    if (named.byKey.empty()) named.name = tag->name;
    named.byKey.emplace(key, tag);
}

void TagList::Unindex(const Tag* tag, int64_t key) {
    m_keyOf.erase(tag);
    const auto named = m_byName.find(tag->name.GetNode());
    if (named == m_byName.end()) return;
    named->second.byKey.erase(key);
    if (named->second.byKey.empty()) m_byName.erase(named);
}

void TagList::Reindex() {
    m_keyOf.clear();
    m_byName.clear();
    m_keys.resize(m_tags.size());
    for (std::size_t i = 0; i < m_tags.size(); ++i) {
        m_keys[i] = static_cast<int64_t>(i);
        if (m_tags[i]) Index(m_tags[i], m_keys[i]);
    }
}

void TagList::push_back(Tag* tag) {
    const int64_t key = m_keys.empty() ? 0 : m_keys.back() + 1;
    m_tags.push_back(tag);
    m_keys.push_back(key);
    if (tag) Index(tag, key);
}

void TagList::insert(const_iterator position, std::vector<Tag*>::const_iterator first,
                     std::vector<Tag*>::const_iterator last) {
    const std::size_t at = static_cast<std::size_t>(position - m_tags.cbegin());
    const std::size_t count = static_cast<std::size_t>(std::distance(first, last));
    if (count == 0) return;
    m_tags.insert(m_tags.begin() + static_cast<std::ptrdiff_t>(at), first, last);
    if (at != 0 && at + count != m_tags.size()) {
        Reindex();
        return;
    }
    // In front: keys below the first; at the end: past the last.
    const int64_t start = m_keys.empty() ? 0
                          : at == 0     ? m_keys.front() - static_cast<int64_t>(count)
                                        : m_keys.back() + 1;
    std::vector<int64_t> keys(count);
    for (std::size_t i = 0; i < count; ++i) keys[i] = start + static_cast<int64_t>(i);
    m_keys.insert(m_keys.begin() + static_cast<std::ptrdiff_t>(at), keys.begin(), keys.end());
    for (std::size_t i = 0; i < count; ++i)
        if (Tag* tag = m_tags[at + i]) Index(tag, keys[i]);
}

void TagList::clear() {
    m_tags.clear();
    m_keys.clear();
    m_keyOf.clear();
    m_byName.clear();
}

std::vector<Tag*> TagList::TakeAll() {
    std::vector<Tag*> taken;
    taken.swap(m_tags);
    clear();
    return taken;
}

Tag* TagList::Find(const Vek::PString& name) const {
    const auto named = m_byName.find(name.GetNode());
    return named == m_byName.end() ? nullptr : named->second.byKey.begin()->second;
}

void TagList::Rename(Tag& tag, const Vek::PString& name) {
    if (tag.name == name) return;
    const auto key = m_keyOf.find(&tag);
    if (key == m_keyOf.end()) {
        tag.name = name;
        return;
    }
    const int64_t order = key->second;
    Unindex(&tag, order);
    tag.name = name;
    Index(&tag, order);
}

}  // namespace TETLib
