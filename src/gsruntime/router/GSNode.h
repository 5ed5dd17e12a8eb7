#pragma once
// GSNode: the unit a GSRouter registers, addresses by a node id and
// delivers messages to. A node has its own queue of pending messages
// (handed to HandleMessage by Update), a few flags, and the active flag
// that keeps it in its router's active set (the set the driver updates).
//
// Nodes are deleted through their virtual destructor only: a node that is
// destroy-pending and has no router deletes itself on its next Activate;
// a registered one is deleted by its router's shutdown or by the driver.
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "engine/PString.h"
#include "gsruntime/GSTypeIdMemo.h"

namespace Utils {
class GSIAVLNode;
}

namespace GSRuntime {

class GSMessage;
class GSRouter;


class GSNode {
public:
    static constexpr uint32_t kMuted = 0x1;
    static constexpr uint32_t kGameObject = 0x2;
    static constexpr uint32_t kDestroyPending = 0x40000000u;
    // The system message type that makes a node that does not handle it
    // destroy itself.
    static constexpr uint16_t kDestroyType = 3;

    GSNode() = default;
    // Clears destroy-pending, leaves the router when registered, then
    // releases every message left in the queue.
    virtual ~GSNode();
    GSNode(const GSNode&) = delete;
    GSNode& operator=(const GSNode&) = delete;

    // The node's name; the base has none (the null string).
    virtual Vek::PString GetName() const { return Vek::PString(); }
    // True when the message was handled. The base handles only the destroy
    // type, which makes the node destroy-pending.
    virtual bool HandleMessage(GSMessage* const& message);
    // Hands every queued message to HandleMessage; with dt > 0 the active
    // flag is cleared afterwards.
    virtual void Update(float dt);

    // Sets the active flag and enters the router's active set. A node
    // without router that is destroy-pending deletes itself instead: the
    // caller must not use it afterwards.
    void Activate();
    // The first queued message with its count (the caller's), or null.
    GSMessage* PopMessage();
    // Appends a message to the node's own queue; the queue takes one count.
    void QueueMessage(GSMessage* message);
    int32_t QueuedCount() const { return static_cast<int32_t>(m_queue.size()); }
    // Releases every queued message.
    void ClearQueue();

    // A new message from this node (one count for the caller): the minor
    // id is interned first, then the major. Null unless the node is
    // registered and the major text is non-empty.
    GSMessage* CreateMessage(const char* major, const char* minor, int32_t destination, uint32_t delayMs);
    // The same with a memo of each name's id (GSTypeIdMemo.h; null: none).
    GSMessage* CreateMessage(const char* major, GSTypeIdMemo* majorMemo, const char* minor, GSTypeIdMemo* minorMemo,
                             int32_t destination, uint32_t delayMs);
    // Forward to the node's router; false without one.
    bool Subscribe(uint16_t major);
    bool Unsubscribe(uint16_t major);

    int32_t Id() const { return m_id; }
    GSRouter* Router() const { return m_router; }
    uint32_t Flags() const { return m_flags; }
    void SetFlags(uint32_t flags) { m_flags = flags; }
    bool IsGameObject() const { return (m_flags & kGameObject) != 0; }
    bool IsMuted() const { return (m_flags & kMuted) != 0; }
    bool IsDestroyPending() const { return (m_flags & kDestroyPending) != 0; }
    bool IsActive() const { return m_active; }
    void SetActive(bool active) { m_active = active; }

private:
    friend class GSRouter;

    std::deque<GSMessage*> m_queue;
    // The node's subscription records in its router's trees, ascending by
    // major: the router finds a node's record here, without a tree search.
    std::vector<std::pair<uint16_t, Utils::GSIAVLNode*>> m_subscriptions;
    int32_t m_id = -1;
    uint32_t m_flags = 0;
    GSRouter* m_router = nullptr;
    // The name the router entered the node under (its own copy); empty
    // when it has none.
    std::string m_registeredName;
    bool m_hasRegisteredName = false;
    bool m_active = false;
};

}  // namespace GSRuntime
