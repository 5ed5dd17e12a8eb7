#pragma once
// GSRouter: the message router of one script context. It registers nodes
// under process-wide ids (from 1, never reused) and optional unique names,
// interns message type names as 16-bit ids, keeps per script type the set
// of subscribed nodes (ordered by node address, with a count per node), and
// carries messages: at once (SendMessage) or later (PostMessage: zero-delay
// messages go to the posted queue in posting order, delayed ones to a heap
// ordered by due time on the router's 30-bit millisecond clock).
//
// Type ids: 0 the table refused the name, 1 the empty name (any minor in
// handlers and waits), 2-100 system types reserved by the router (3
// "Destroy", 4 "DumpStacks"), above 100 names in order of first use, up to
// 65535: a name beyond that is refused (0) rather than wrapping onto the
// reserved ids.
//
// Names are looked up on every send and every wait, nearly always the same
// few: a small table indexed by a hash of the text remembers the last id
// found in each slot, and a hit is checked against the text entered under
// that id.
//
// Types below 100 reach every node of a broadcast or the addressed node
// whatever its flags; types of 100 and above reach only subscribed nodes
// that are not muted. Delivery walks a snapshot of node ids taken before
// the first handler runs and looks each node up again, so handlers may add,
// remove, subscribe and unsubscribe nodes while a message is delivered.
// A subscription whose count falls to 0 keeps its record (waits subscribe
// and withdraw on every message); a record of count 0 is no subscription.
//
// The driver (not part of the runtime) advances the clock, takes due
// messages off the heap (TakeDueMessage) and posted ones off the queue
// (TakePostedMessage), and updates the active nodes.
//
// A router, its nodes and messages belong to one thread of control.
#include <array>
#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/AnsiString.h"
#include "engine/PString.h"
#include "foundation/containers/PriorityQueue.h"
#include "gsruntime/GSTypeIdMemo.h"
#include "gsruntime/router/GSIAVLTree.h"
#include "gsruntime/router/GSMessage.h"

namespace GSRuntime {

class GSContext;
class GSGameObject;
class GSNode;

class GSRouter {
public:
    static constexpr uint16_t kTypeRefused = 0;
    static constexpr uint16_t kTypeEmpty = 1;
    static constexpr uint16_t kFirstScriptType = 100;
    static constexpr uint16_t kDumpStacksType = 4;
    static constexpr uint32_t kClockMask = 0x3FFFFFFFu;

    // A running router, clock 0, with the system types entered and the
    // stack-dump pair ("DumpStacks", any minor).
    explicit GSRouter(GSContext* context = nullptr);
    ~GSRouter();
    GSRouter(const GSRouter&) = delete;
    GSRouter& operator=(const GSRouter&) = delete;

    // Nodes.
    bool AddNode(GSNode* node);
    bool RemoveNode(GSNode* node);
    // (Inline for the ids found before: every message looks up its sender
    // and its addressee.)
    GSNode* GetNode(int32_t id) const {
        const NodeCacheEntry& cached = m_nodeCache[static_cast<uint32_t>(id) % kNodeCacheSize];
        return cached.id == id && id != 0 ? cached.node : LookUpNode(id);
    }
    GSNode* FindNodeByName(const char* name) const;
    int32_t NodeCount() const { return static_cast<int32_t>(m_nodes.size()); }
    // Registered nodes in registration order.
    const std::vector<GSNode*>& Nodes() const { return m_nodes; }

    // Type names.
    uint16_t GetMessageTypeId(const char* name);
    // The same through a memo of the name's id: a memo of this table is
    // answered without a look-up, any other is looked up and then holds
    // this table's id (unless the name was refused).
    uint16_t GetMessageTypeId(const char* name, GSTypeIdMemo& memo) {
        if (memo.table == m_typeTableSerial) return memo.id;
        const uint16_t id = GetMessageTypeId(name);
        if (id != kTypeRefused) memo = GSTypeIdMemo{m_typeTableSerial, id};
        return id;
    }
    // The serial of the type table as it stands (GSTypeIdMemo.h).
    uint64_t TypeTableSerial() const { return m_typeTableSerial; }
    Vek::String GetMessageTypeName(uint16_t id) const;
    // The same text without a copy, valid until the router shuts down;
    // empty for an id without a name.
    const char* MessageTypeText(uint16_t id) const {
        const char* name = id < m_typeIds.size() ? m_typeIds[id] : nullptr;
        return name ? name : "";
    }
    uint16_t TypeCounter() const { return m_typeCounter; }

    // Subscriptions.
    bool Subscribe(GSNode* node, uint16_t major) { return Subscribe(node, major, 1); }
    bool Unsubscribe(GSNode* node, uint16_t major) { return Unsubscribe(node, major, 1); }
    // The same `times` times over (at least once): what that many calls
    // in a row do.
    bool Subscribe(GSNode* node, uint16_t major, int32_t times);
    bool Unsubscribe(GSNode* node, uint16_t major, int32_t times);
    // How many times the node subscribed to the major (0: not subscribed).
    int32_t SubscriptionCount(const GSNode* node, uint16_t major) const;
    // Nodes subscribed to a major, ascending by address.
    std::vector<GSNode*> Subscribers(uint16_t major) const;
    int32_t SubscriptionTreeCount() const { return m_treeCount; }

    // Messages.
    void SendMessage(GSMessage* message);
    void PostMessage(GSMessage* message);
    void ClearMessages(GSGameObject* object, const Vek::PString& major, const Vek::PString& minor);
    int32_t DelayedCount() const { return m_heap.Count(); }
    int32_t PostedCount() const { return static_cast<int32_t>(m_posted.size()); }
    // The delay heap's entry i (1 .. DelayedCount()), for inspection.
    const GSMessage* DelayedAt(int32_t i) const { return m_heap.At(i); }
    // The first delayed message whose due time is at or before the clock,
    // with its count (the caller's); null when none is due.
    GSMessage* TakeDueMessage();
    // The first posted message with its count; null when none.
    GSMessage* TakePostedMessage();

    // The active set (ascending by address).
    void InsertActive(GSNode* node) { m_active.insert(node); }
    void EraseActive(GSNode* node) { m_active.erase(node); }
    const std::set<GSNode*>& ActiveNodes() const { return m_active; }

    // Diagnostics.
    void Info() const;
    void DumpAllThreadStacks() const;
    bool HandleDebugMessage(GSMessage* message);
    void DescribeMessage(const GSMessage* message, Vek::String& out) const;
    void TraceMessage(const GSMessage* message) const;
    static void SetTraceEnabled(bool enabled);
    static bool IsTraceEnabled();

    // Shuts the router down: tables emptied, nodes unregistered (a
    // destroy-pending one deleted), queued messages released, not running.
    bool Done();

    uint32_t Clock() const { return m_clock; }
    void SetClock(uint32_t clock) { m_clock = clock & kClockMask; }
    bool IsRunning() const { return m_running; }
    void SetRunning(bool running) { m_running = running; }
    bool IsClosed() const { return m_closed; }
    void SetClosed(bool closed) { m_closed = closed; }
    GSContext* Context() const { return m_context; }

private:
    // One node's subscription to a major: how many times it subscribed.
    // Ordered by the node's address.
    class Subscription : public Utils::GSIAVLNode {
    public:
        Subscription(GSNode* subscriber, int32_t subscriptions) : count(subscriptions), node(subscriber) {}
        int Compare(const Utils::GSIAVLNode* other) const override {
            const GSNode* otherNode = static_cast<const Subscription*>(other)->node;
            return node < otherNode ? -1 : node > otherNode ? 1 : 0;
        }
        int32_t count;
        GSNode* node;
    };

    Subscription* FindSubscription(uint16_t major, const GSNode* node) const;
    Utils::GSIAVLTree* TreeOf(uint16_t major) const {
        return major < m_subscriptions.size() ? m_subscriptions[major] : nullptr;
    }
    void ClearSubscriptions();

    struct HeapKey {
        static uint32_t Get(const GSMessage& message) { return message.DueTime(); }
    };

    void EnterSystemTypes();
    bool EnterTypeName(const char* name, uint16_t id);
    // The id of a name the table did not have, entered now if new.
    uint16_t LookUpTypeName(const char* name);
    Vek::String NodeName(int32_t id) const;
    // GetNode past the cache; a node found is remembered in its slot.
    GSNode* LookUpNode(int32_t id) const;
    void Deliver(GSNode* node, GSMessage* message);

    uint16_t m_dumpMajor = 0;
    uint16_t m_dumpMinor = 0;
    std::unordered_map<std::string, int32_t> m_nodeNames;
    std::unordered_map<std::string, uint16_t> m_typeNames;
    // By id: the text of the name entered under it (a key of m_typeNames),
    // null for none.
    std::vector<const char*> m_typeIds;
    // By hash of the text: an id found before (0: none).
    static constexpr std::size_t kNameCacheSize = 64;
    std::array<uint16_t, kNameCacheSize> m_nameCache{};
    std::unordered_map<int32_t, GSNode*> m_byId;
    // By id modulo its size: a registered node found before (id 0: none).
    // A node's entry goes when the node leaves the router.
    struct NodeCacheEntry {
        int32_t id = 0;
        GSNode* node = nullptr;
    };
    static constexpr std::size_t kNodeCacheSize = 16;
    mutable std::array<NodeCacheEntry, kNodeCacheSize> m_nodeCache{};
    // By major: the subscriptions, ordered by node address (trees and
    // records owned by the router); null for a major nobody subscribed to.
    std::vector<Utils::GSIAVLTree*> m_subscriptions;
    int32_t m_treeCount = 0;
    std::vector<GSNode*> m_nodes;
    std::deque<GSMessage*> m_posted;
    Utils::PriorityQueue<GSMessage, HeapKey> m_heap;
    std::set<GSNode*> m_active;
    uint16_t m_typeCounter = kFirstScriptType;
    uint64_t m_typeTableSerial = 0;
    uint32_t m_clock = 0;
    bool m_running = true;
    bool m_closed = false;
    GSContext* m_context = nullptr;
};

}  // namespace GSRuntime
