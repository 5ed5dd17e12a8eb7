#include "engine/scene/SceneGraph.h"

#include <algorithm>

#include "engine/scene/Particle.h"

namespace Vek {

SceneGraph::~SceneGraph() { PurgeDeathRow(); }

void SceneGraph::AddScene(Particle* scene) {
    if (scene && std::find(m_scenes.begin(), m_scenes.end(), scene) == m_scenes.end()) m_scenes.push_back(scene);
}

bool SceneGraph::UnlinkScene(Particle* scene) {
    auto it = std::find(m_scenes.begin(), m_scenes.end(), scene);
    if (it == m_scenes.end()) return false;
    m_scenes.erase(it);
    return true;
}

void SceneGraph::AddToDeathRow(Particle* particle) {
    if (!particle || std::find(m_deathRow.begin(), m_deathRow.end(), particle) != m_deathRow.end()) return;
    UnlinkScene(particle);
    particle->Unlink();
    // A queued particle below this one would be deleted with it: drop it
    // from the queue.
    std::erase_if(m_deathRow, [particle](Particle* queued) { return particle->IsAncestorOf(queued); });
    m_deathRow.push_back(particle);
}

uint32_t SceneGraph::PurgeDeathRow() {
    std::vector<Particle*> doomed;
    doomed.swap(m_deathRow);
    for (Particle* particle : doomed) delete particle;
    return static_cast<uint32_t>(doomed.size());
}

}  // namespace Vek
