#include "foundation/soups/TDBContainerTag.h"

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "foundation/soups/TDBDataTag.h"

namespace {

using Child = TDBContainerTag::Child;

// Name order: bytes compared as unsigned values, a prefix first; no name
// sorts as the empty name.
bool NameLess(const Vek::PString& a, const Vek::PString& b) {
    if (a == b) return false;
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a.c_str());
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b.c_str());
    while (*x && *x == *y) ++x, ++y;
    return *x < *y;
}

// Sorts positions [lo, hi] of `items` (addresses of the ring's pairs in
// order); pairs move, addresses stay.
class ChildSorter {
public:
    explicit ChildSorter(std::vector<Child*>& items) : m_items(items) {}

    void QuickSort(int lo, int hi) {
        while (hi - lo >= 10) {
            int mid = (lo + hi) / 2;
            int pivotAt;
            if (NameLess(Name(lo), Name(mid))) {
                if (NameLess(Name(mid), Name(hi)))
                    pivotAt = mid;
                else
                    pivotAt = NameLess(Name(lo), Name(hi)) ? hi : lo;
            } else {
                if (NameLess(Name(lo), Name(hi)))
                    pivotAt = lo;
                else if (NameLess(Name(mid), Name(hi)))
                    pivotAt = hi;
                else
                    pivotAt = mid;
            }
            const Vek::PString pivot = Name(pivotAt);  // the name, not the position

            int i = lo;
            int j = hi;
            for (;;) {
                while (NameLess(Name(i), pivot)) ++i;
                while (NameLess(pivot, Name(j))) --j;
                if (i >= j) break;
                std::swap(*m_items[i], *m_items[j]);
                ++i;
                --j;
            }

            // Recurse into one side, loop on the other.
            if (i > mid) {
                QuickSort(i, hi);
                hi = i - 1;
            } else {
                QuickSort(lo, j);
                lo = j + 1;
            }
        }
        InsertionSort(lo, hi);
    }

private:
    const Vek::PString& Name(int k) const { return m_items[k]->name; }

    void InsertionSort(int lo, int hi) {
        for (int k = lo + 1; k <= hi; ++k) {
            if (!NameLess(Name(k), Name(k - 1))) continue;
            Child taken = std::move(*m_items[k]);
            int gap = k;
            while (gap > lo && NameLess(taken.name, Name(gap - 1))) {
                *m_items[gap] = std::move(*m_items[gap - 1]);
                --gap;
            }
            *m_items[gap] = std::move(taken);
        }
    }

    std::vector<Child*>& m_items;
};

// The index that a name written with "%d" spells ("0", "17"; not "07",
// "-1" or "+3"), or -1.
int32_t DecimalIndexOf(const Vek::PString& name) {
    const char* text = name.c_str();
    std::size_t length = name.Length();
    if (length == 0 || length > 10 || (text[0] == '0' && length > 1)) return -1;
    int64_t value = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value > INT32_MAX ? -1 : static_cast<int32_t>(value);
}

}  // namespace

namespace {
// The children left to release by the container destructor running
// outermost on this thread; null while none runs. A plain pointer, so that
// it stays usable while static objects are destroyed at exit.
thread_local std::vector<ChunkRef>* t_doomed = nullptr;

// The list's memory between outermost destructors, so that destroying soup
// after soup does not grow a new list each time; kept up to a limit.
struct SpareList {
    std::vector<ChunkRef> list;
    ~SpareList();
};
thread_local bool t_spareGone = false;  // plain: valid to the end of the thread
thread_local SpareList t_spare;
SpareList::~SpareList() { t_spareGone = true; }
constexpr std::size_t kKeptSpare = 64 * 1024;
}  // namespace

namespace {
// Only a container that this reference keeps alive alone can die with its
// own children; everything else is released in place.
bool DiesNested(const ChunkRef& chunk) {
    return chunk && chunk->GetReferenceCount() == 1 && chunk->GetKind() == ACSKind::kContainer;
}
}  // namespace

namespace {
// Starts loading the chunk of the pair `ahead` places after `it`: a walk
// over a container's pairs reads every chunk, and the later ones are then
// on their way while the earlier ones are handled.
template <typename Iterator>
void PrefetchChunkAhead(Iterator it, int ahead) {
    for (; it && ahead > 0; --ahead) ++it;
    if (it) __builtin_prefetch(it->chunk.Get());
}

// Moves the chunks of `children` that die with their container onto `list`.
void CollectDoomed(TDBContainerTag::ChildList& children, std::vector<ChunkRef>& list) {
    for (TDBContainerTag::ChildList::Iterator it = children.Begin(); it; ++it) {
        PrefetchChunkAhead(it, 4);
        if (DiesNested(it->chunk)) list.push_back(std::move(it->chunk));
    }
}
}  // namespace

TDBContainerTag::~TDBContainerTag() {
    if (t_doomed) {
        CollectDoomed(m_children, *t_doomed);
        return;
    }
    std::vector<ChunkRef> doomed;
    if (!t_spareGone) doomed.swap(t_spare.list);
    CollectDoomed(m_children, doomed);
    t_doomed = &doomed;
    while (!doomed.empty()) {
        ChunkRef chunk = std::move(doomed.back());
        doomed.pop_back();
        chunk.Release();  // a container dying here adds its children to the list
    }
    t_doomed = nullptr;
    if (!t_spareGone && doomed.capacity() <= kKeptSpare) doomed.swap(t_spare.list);
}

ChunkRef TDBContainerTag::GetChild(const Vek::PString& name) const {
    // Names are interned: equal names share their text, so the text's
    // address stands for the name. Small containers and the empty name
    // are searched as they are.
    static constexpr int32_t kIndexedFrom = 32;
    if (m_count < kIndexedFrom || name.IsEmpty()) {
        for (const Child& child : m_children)
            if (child.name == name) return child.chunk;
        return NullChunk();
    }
    if (!m_byName) m_byName = std::make_unique<std::unordered_map<const char*, const Child*>>();
    if (m_byName->empty()) {
        m_byName->reserve(static_cast<std::size_t>(m_count));
        for (const Child& child : m_children)
            if (!child.name.IsEmpty()) m_byName->emplace(child.name.c_str(), &child);  // the first of a name stays
    }
    const auto found = m_byName->find(name.c_str());
    return found == m_byName->end() ? NullChunk() : found->second->chunk;
}

int32_t TDBContainerTag::Count() const { return static_cast<int32_t>(m_count); }

bool TDBContainerTag::GetChildAt(int32_t index, Vek::PString& name, ChunkRef& chunk) const {
    const Child* child = ChildAt(index);
    if (!child) return ACSChunk::GetChildAt(index, name, chunk);
    name = child->name;
    chunk = child->chunk;
    return true;
}

const ChunkChild* TDBContainerTag::ChildAt(int32_t index) const {
    if (index < 0) return nullptr;
    ChildList::ConstIterator it;
    if (m_cursorIndex >= 0 && m_cursorIndex <= index) {
        it = m_cursor;
        it += index - m_cursorIndex;
    } else {
        it = m_children.Begin();
        it += index;
    }
    if (!it) {
        m_cursorIndex = -1;
        return nullptr;
    }
    m_cursorIndex = index;
    m_cursor = it;
    PrefetchChunkAhead(it, 2);  // pairs are mostly asked for in order
    return &*it;
}

void TDBContainerTag::SortChildren() {
    std::vector<Child*> items;
    for (Child& child : m_children) items.push_back(&child);
    if (items.size() < 2) return;
    Edited();
    // Equal names may change places, so an empty tag may come first.
    m_freeIndexFloor = 0;
    ChildSorter(items).QuickSort(0, static_cast<int>(items.size()) - 1);
}

void TDBContainerTag::SwapChildren(ChunkRef a, ChunkRef b) {
    if (!a || !b) return;
    Child* holdsA = nullptr;
    Child* holdsB = nullptr;
    for (Child& child : m_children) {
        if (child.chunk == a) holdsA = &child;
        if (child.chunk == b) holdsB = &child;
    }
    if (!holdsA || !holdsB || holdsA == holdsB) return;
    Edited();
    NameFreed(holdsA->name);
    NameFreed(holdsB->name);
    std::swap(holdsA->chunk, holdsB->chunk);
}

void TDBContainerTag::AppendChild(const Vek::PString& name, ChunkRef chunk) { AppendChild(Vek::PString(name), std::move(chunk)); }

void TDBContainerTag::AppendChild(Vek::PString&& name, ChunkRef chunk) {
    if (!chunk) return;
    // Appending moves no pair, so a built name index stays right with the
    // new pair added (unless its name is already there: the first of a name
    // stays). Building a large container by setting tag after tag, each set
    // looking its name up first, then costs linear time.
    const bool indexed = m_byName && !m_byName->empty();
    m_cursorIndex = -1;
    const uint32_t slot = m_children.Add(Child{std::move(name), std::move(chunk)});
    ++m_count;
    m_charge.Add(kSoupPairCharge);
    if (indexed) {
        const Child& added = m_children.FirstBlock()->Prev()->Slot(slot);
        if (!added.name.IsEmpty()) m_byName->emplace(added.name.c_str(), &added);
    }
}

void TDBContainerTag::RemoveChild(ChunkRef chunk) {
    if (!chunk) return;
    for (ChildList::Iterator it = m_children.Begin(); it; ++it) {
        if (it->chunk == chunk) {
            Edited();
            NameFreed(it->name);
            m_children.RemoveOrdered(it);
            --m_count;
            m_charge.Sub(kSoupPairCharge);
            return;
        }
    }
}

int32_t TDBContainerTag::FreeIndexFloor() const {
    return m_freeIndexEmptied == TDBDataTag::EmptiedCount() ? m_freeIndexFloor : 0;
}

void TDBContainerTag::SetFreeIndexFloor(int32_t floor) const {
    m_freeIndexFloor = floor;
    m_freeIndexEmptied = TDBDataTag::EmptiedCount();
}

void TDBContainerTag::NameFreed(const Vek::PString& name) {
    int32_t index = DecimalIndexOf(name);
    if (index >= 0 && index < m_freeIndexFloor) m_freeIndexFloor = index;
}

ChunkRef TDBContainerTag::CreateChunk(int32_t kind, RawDataRef block) {
    return CreateEditableChunk(kind, std::move(block));
}

ChunkRef CreateEditableChunk(int32_t kind, RawDataRef block) {
    if (kind == ACSKind::kContainer) return MakeCounted<TDBContainerTag>();
    return MakeCounted<TDBDataTag>(kind, std::move(block));
}
