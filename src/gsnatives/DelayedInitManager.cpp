#include "gsnatives/DelayedInitManager.h"

#include <algorithm>

#include "gsnatives/DelayedInitClient.h"

namespace GSNatives {

void DelayedInitManager::Register(DelayedInitClient* client) {
    if (!client) return;
    if (client->HasInitFlags(DelayedInitClient::kAllSteps) || client->HasInitFlags(DelayedInitClient::kRegistered))
        return;
    client->SetInitFlags(DelayedInitClient::kRegistered);
    m_clients.push_back(client);
}

void DelayedInitManager::Unregister(DelayedInitClient* client) {
    if (!client || !client->HasInitFlags(DelayedInitClient::kRegistered)) return;
    auto it = m_clients.end();
    if (!m_clients.empty() && m_clients.back() == client)
        it = m_clients.end() - 1;
    else
        it = std::find(m_clients.begin(), m_clients.end(), client);
    if (it != m_clients.end()) {
        if (m_walking)
            *it = nullptr;
        else
            m_clients.erase(it);
    }
    client->ClearInitFlags(DelayedInitClient::kRegistered);
}

void DelayedInitManager::RunPendingSteps(DelayedInitClient* client) {
    if (!client) return;
    if (!client->HasInitFlags(DelayedInitClient::kStep1Done)) client->InitStep1();
    if (!client->HasInitFlags(DelayedInitClient::kStep2Done)) client->InitStep2();
    if (!client->HasInitFlags(DelayedInitClient::kStep3Done)) client->InitStep3();
}

void DelayedInitManager::Complete(DelayedInitClient* client) {
    if (!client) return;
    RunPendingSteps(client);
    Unregister(client);
}

void DelayedInitManager::SetWalking(bool walking) {
    m_walking = walking ? 1 : 0;
    if (!walking) m_clients.erase(std::remove(m_clients.begin(), m_clients.end(), nullptr), m_clients.end());
}

void DelayedInitManager::CompleteAll() {
    const bool outer = !m_walking;
    m_walking = 1;
    // Clients registered by a step join the end of the list and are run in
    // the same walk.
    for (std::size_t i = 0; i < m_clients.size(); ++i)
        if (DelayedInitClient* client = m_clients[i]) Complete(client);
    if (outer) SetWalking(false);
}

}  // namespace GSNatives
