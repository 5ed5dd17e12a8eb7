#pragma once
// The scene: the root particles that are drawn, and a death row of
// particles waiting to be deleted at a safe moment.
//
// The graph does not own its scenes: the caller that adds one unlinks it
// and deletes it. It owns the particles on death row, and deletes them in
// PurgeDeathRow or when it goes.
#include <cstdint>
#include <vector>

namespace Vek {

class Particle;

class SceneGraph {
public:
    SceneGraph() = default;
    ~SceneGraph();
    SceneGraph(const SceneGraph&) = delete;
    SceneGraph& operator=(const SceneGraph&) = delete;

    // Adds a root particle; a particle already added stays once.
    void AddScene(Particle* scene);
    // Removes a root particle; false when it was not there.
    bool UnlinkScene(Particle* scene);
    uint32_t GetSceneCount() const { return static_cast<uint32_t>(m_scenes.size()); }
    Particle* GetScene(uint32_t index) const { return index < m_scenes.size() ? m_scenes[index] : nullptr; }

    // Takes the particle out of its tree (or out of the scenes) and queues
    // it for deletion; a particle queued twice is deleted once.
    void AddToDeathRow(Particle* particle);
    // Deletes every queued particle; returns how many.
    uint32_t PurgeDeathRow();

private:
    std::vector<Particle*> m_scenes;
    std::vector<Particle*> m_deathRow;
};

}  // namespace Vek
