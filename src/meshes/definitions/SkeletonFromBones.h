#pragma once
// The skeleton of a mesh's bone records (the indexed mesh's bones, the
// level-of-detail mesh's bone table): one bone particle per record at its
// rest position and orientation, with a local box of +-0.01.
//
// The first record without a parent name is the root; a later one without
// a parent, or one whose parent no record names, hangs from the root and
// gets the root's name as its parent name. Without a root no skeleton is
// made (null).
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/PString.h"
#include "engine/Vector.h"
#include "engine/scene/ParticleBone.h"

// A bone particle at a rest position and orientation (a matrix of row vectors).
inline Vek::ParticleBone* MakeSkeletonBone(const char* name, const Vek::Vector3& position, const float matrix[9]) {
    auto* bone = new Vek::ParticleBone(Vek::PString(name));
    Vek::Quaternion q;
    q.Set(matrix);
    bone->SetPosition(position);
    bone->SetOrientation(q);
    bone->SetFramePosition(position);
    bone->SetFrameOrientation(q);
    bone->SetLocalBox({-0.01f, -0.01f, -0.01f}, {0.01f, 0.01f, 0.01f});
    return bone;
}

// Records have `name` and `parentName` (with c_str()), `position` and
// `orientation[9]`.
template <typename Record>
Vek::ParticleBone* SkeletonFromBones(std::vector<Record>& records) {
    std::vector<Vek::ParticleBone*> made;
    made.reserve(records.size());
    Vek::ParticleBone* root = nullptr;
    for (Record& record : records) {
        made.push_back(MakeSkeletonBone(record.name.c_str(), record.position, record.orientation));
        if (record.parentName.c_str()[0] == '\0') {
            if (!root)
                root = made.back();
            else
                record.parentName = root->GetName().c_str();
        }
    }
    if (!root) {
        for (Vek::ParticleBone* b : made) delete b;
        return nullptr;
    }
    // The first two records of each name: a record's parent is the first
    // other record of its parent name. Looked up, not searched for, so that
    // a file of many thousand bones does not take quadratic time.
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::unordered_map<std::string, std::pair<std::size_t, std::size_t>> byName;
    for (std::size_t j = 0; j < records.size(); ++j) {
        auto [it, inserted] = byName.try_emplace(records[j].name.c_str(), j, kNone);
        if (!inserted && it->second.second == kNone) it->second.second = j;
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (made[i] == root) continue;
        Record& record = records[i];
        Vek::ParticleBone* parent = nullptr;
        if (auto it = byName.find(record.parentName.c_str()); it != byName.end()) {
            const std::size_t j = it->second.first != i ? it->second.first : it->second.second;
            if (j != kNone) parent = made[j];
        }
        if (!parent || !parent->Add(made[i])) {
            record.parentName = root->GetName().c_str();
            if (!root->Add(made[i])) delete made[i];
        }
    }
    return root;
}
