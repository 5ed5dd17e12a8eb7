#include "foundation/soups/SoupKuidSets.h"

#include <string>
#include <vector>

#include "foundation/soups/ACSConverter.h"
#include "foundation/soups/IndexedKuidSet.h"

namespace {

void AddUnique(KuidSet& set, const KUID& kuid) {
    if (!kuid.IsNull() && !set.Find(kuid)) set.Add(kuid);
}

void AddUnique(IndexedKuidSet& set, const KUID& kuid) { set.AddUniqueNonNull(kuid); }

// Depth first, children in index order, with a list of open containers
// instead of nested calls.
template <typename Set>
void CollectRecursive(const ChunkRef& root, Set& set) {
    struct Level {
        ChunkRef container;
        int32_t next;
        int32_t count;
    };
    std::vector<Level> open;
    open.push_back(Level{root, 0, root->Count()});
    while (!open.empty()) {
        Level& level = open.back();
        if (level.next >= level.count) {
            open.pop_back();
            continue;
        }
        const ChunkChild* pair = level.container->ChildAt(level.next++);
        if (!pair) continue;
        const ChunkRef& child = pair->chunk;
        switch (child->GetKind()) {
            case ACSKind::kText: {
                std::string text(TextOfBlock(MakeChunkDataView(child)));
                AddUnique(set, KUID::Parse(text.c_str(), true));
                break;
            }
            case ACSKind::kKUID:
                if (child->GetSize() == KUID::kPackedRecordSize) {
                    KUID kuid;
                    kuid.FromPackedRecord(child->GetData());
                    AddUnique(set, kuid);
                }
                break;
            case ACSKind::kContainer: {
                const int32_t count = child->Count();
                open.push_back(Level{child, 0, count});
                break;
            }
            default:
                break;
        }
    }
}

template <typename Set>
void CollectTable(const SoupHandle& soup, Set& set) {
    int32_t count = soup.Count();
    for (int32_t i = 0; i < count; ++i) AddUnique(set, soup.GetKUID(soup.GetTagName(i), KUID::Null()));
}

}  // namespace

void SoupToKuidSet(const SoupHandle& soup, KuidSet& set) { CollectTable(soup, set); }
void SoupToKuidSet(const SoupHandle& soup, IndexedKuidSet& set) { CollectTable(soup, set); }

void SoupToKuidSetRecursive(const SoupHandle& soup, KuidSet& set) {
    if (soup.GetRoot()) CollectRecursive(soup.GetRoot(), set);
}
void SoupToKuidSetRecursive(const SoupHandle& soup, IndexedKuidSet& set) {
    if (soup.GetRoot()) CollectRecursive(soup.GetRoot(), set);
}

void KuidSetToSoup(SoupHandle& soup, const KuidSet& set) {
    soup.Clear();
    int32_t stored = 0;
    Vek::PString name;
    for (const KUID& kuid : set) {
        if (kuid.IsNull()) continue;
        name.Setf("%d", stored++);
        soup.SetKUID(name, kuid);
    }
}
