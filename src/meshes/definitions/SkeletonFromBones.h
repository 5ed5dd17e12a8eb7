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
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (made[i] == root) continue;
        Record& record = records[i];
        Vek::ParticleBone* parent = nullptr;
        for (std::size_t j = 0; j < records.size() && !parent; ++j)
            if (j != i && std::strcmp(records[j].name.c_str(), record.parentName.c_str()) == 0) parent = made[j];
        if (!parent || !parent->Add(made[i])) {
            record.parentName = root->GetName().c_str();
            if (!root->Add(made[i])) delete made[i];
        }
    }
    return root;
}
