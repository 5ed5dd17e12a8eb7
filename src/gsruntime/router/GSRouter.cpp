#include "gsruntime/router/GSRouter.h"

#include <algorithm>
#include <cstring>

#include "gsruntime/GSLog.h"
#include "gsruntime/GSExecutionBudget.h"
#include "gsruntime/router/GSGameObject.h"
#include "gsruntime/router/GSNode.h"

namespace GSRuntime {

namespace {

// Work units charged for each message or node a walk reads (a message or
// node record, most often a cache miss of its own).
constexpr uint64_t kWorkPerMessage = 32;

// Node ids are unique in the process: one counter for every router.
int32_t g_nextNodeId = 1;
bool g_trace = false;
// Type tables are numbered in the process from 1 (GSTypeIdMemo.h).
uint64_t g_lastTypeTableSerial = 0;

// A node's first subscription record of a major at or after `major`.
template <class Records>
auto RecordAt(Records& records, uint16_t major) {
    return std::lower_bound(records.begin(), records.end(), major,
                            [](const auto& entry, uint16_t key) { return entry.first < key; });
}

}  // namespace

GSRouter::GSRouter(GSContext* context) : m_typeTableSerial(++g_lastTypeTableSerial), m_context(context) {
    EnterSystemTypes();
}

GSRouter::~GSRouter() { Done(); }

void GSRouter::EnterSystemTypes() {
    EnterTypeName("Destroy", GSNode::kDestroyType);
    EnterTypeName("DumpStacks", kDumpStacksType);
    m_dumpMajor = kDumpStacksType;
    m_dumpMinor = kTypeEmpty;
}

bool GSRouter::EnterTypeName(const char* name, uint16_t id) {
    auto [entry, entered] = m_typeNames.emplace(name, id);
    if (!entered) return false;
    if (m_typeIds.size() <= id) m_typeIds.resize(std::size_t(id) + 1, nullptr);
    m_typeIds[id] = entry->first.c_str();
    return true;
}

bool GSRouter::AddNode(GSNode* node) {
    if (!node || node->m_id != -1 || node->m_router) return false;
    const int32_t id = g_nextNodeId++;
    const Vek::PString name = node->GetName();
    if (!name.IsEmpty() && m_nodeNames.emplace(name.c_str(), id).second) {
        node->m_registeredName = name.c_str();
        node->m_hasRegisteredName = true;
    }
    if (!m_byId.emplace(id, node).second) {
        if (node->m_hasRegisteredName) m_nodeNames.erase(node->m_registeredName);
        node->m_hasRegisteredName = false;
        node->m_registeredName.clear();
        return false;
    }
    m_nodes.push_back(node);
    node->m_id = id;
    node->m_router = this;
    if (node->m_active) m_active.insert(node);
    return true;
}

bool GSRouter::RemoveNode(GSNode* node) {
    if (!node || node->m_id == -1 || !node->m_router) return false;
    for (const auto& [major, record] : node->m_subscriptions)
        delete static_cast<Subscription*>(TreeOf(major)->Remove(record));
    node->m_subscriptions.clear();
    if (node->m_hasRegisteredName) {
        auto found = m_nodeNames.find(node->m_registeredName);
        if (found != m_nodeNames.end() && found->second == node->m_id) m_nodeNames.erase(found);
        node->m_hasRegisteredName = false;
        node->m_registeredName.clear();
    }
    if (m_byId.erase(node->m_id) == 0) return false;
    NodeCacheEntry& cached = m_nodeCache[static_cast<uint32_t>(node->m_id) % kNodeCacheSize];
    if (cached.id == node->m_id) cached = NodeCacheEntry();
    for (auto it = m_nodes.begin(); it != m_nodes.end(); ++it) {
        if (*it == node) {
            m_nodes.erase(it);
            break;
        }
    }
    node->m_id = -1;
    node->m_router = nullptr;
    // An update clears the flag but leaves the node in the set until the
    // driver walks it: a removed node must leave the set either way.
    m_active.erase(node);
    return true;
}

GSNode* GSRouter::LookUpNode(int32_t id) const {
    auto found = m_byId.find(id);
    if (found == m_byId.end()) return nullptr;
    m_nodeCache[static_cast<uint32_t>(id) % kNodeCacheSize] = NodeCacheEntry{id, found->second};
    return found->second;
}

GSNode* GSRouter::FindNodeByName(const char* name) const {
    if (!name) return nullptr;
    auto found = m_nodeNames.find(name);
    return found == m_nodeNames.end() ? nullptr : GetNode(found->second);
}

uint16_t GSRouter::GetMessageTypeId(const char* name) {
    if (!name || !*name) return kTypeEmpty;
    // FNV-1a of the text picks the slot.
    uint32_t hash = 2166136261u;
    for (const char* c = name; *c; ++c) hash = (hash ^ static_cast<uint8_t>(*c)) * 16777619u;
    uint16_t& cached = m_nameCache[hash % kNameCacheSize];
    if (cached != 0 && std::strcmp(m_typeIds[cached], name) == 0) return cached;
    const uint16_t id = LookUpTypeName(name);
    if (id != kTypeRefused) cached = id;
    return id;
}

uint16_t GSRouter::LookUpTypeName(const char* name) {
    auto found = m_typeNames.find(name);
    if (found != m_typeNames.end()) return found->second;
    // Ids are 16 bits wide: past the last one a new name would alias the
    // empty name and the system types, so it is refused.
    if (m_typeCounter == 0xFFFF) return kTypeRefused;
    const uint16_t id = static_cast<uint16_t>(m_typeCounter + 1);
    if (!EnterTypeName(name, id)) return kTypeRefused;
    m_typeCounter = id;
    return id;
}

Vek::String GSRouter::GetMessageTypeName(uint16_t id) const {
    return Vek::String(MessageTypeText(id));
}

GSRouter::Subscription* GSRouter::FindSubscription(uint16_t major, const GSNode* node) const {
    if (!node || node->m_router != this) return nullptr;
    const auto& records = node->m_subscriptions;
    auto found = RecordAt(records, major);
    return found != records.end() && found->first == major ? static_cast<Subscription*>(found->second) : nullptr;
}

bool GSRouter::Subscribe(GSNode* node, uint16_t major, int32_t times) {
    if (!node || node->m_id == -1 || node->m_router != this) return false;
    if (m_subscriptions.size() <= major) m_subscriptions.resize(std::size_t(major) + 1, nullptr);
    Utils::GSIAVLTree*& tree = m_subscriptions[major];
    if (!tree) {
        tree = new Utils::GSIAVLTree();
        m_treeCount += 1;
    }
    if (Subscription* found = FindSubscription(major, node)) {
        found->count += times;
        return true;
    }
    auto* subscription = new Subscription(node, times);
    if (!tree->Insert(subscription)) {
        delete subscription;
        return false;
    }
    auto& records = node->m_subscriptions;
    records.emplace(RecordAt(records, major), major, subscription);
    return true;
}

bool GSRouter::Unsubscribe(GSNode* node, uint16_t major, int32_t times) {
    if (!node || node->m_id == -1 || node->m_router != this) return false;
    Subscription* found = FindSubscription(major, node);
    if (!found || found->count < 1) return false;
    // The record stays at count 0 for the next subscription; empty trees
    // stay in the table. A count runs out before the calls do.
    found->count -= std::min(times, found->count);
    return true;
}

int32_t GSRouter::SubscriptionCount(const GSNode* node, uint16_t major) const {
    const Subscription* found = FindSubscription(major, node);
    return found ? found->count : 0;
}

std::vector<GSNode*> GSRouter::Subscribers(uint16_t major) const {
    std::vector<GSNode*> nodes;
    Utils::GSIAVLTree* tree = TreeOf(major);
    if (!tree) return nodes;
    Utils::GSIAVLTree::Iterator it(*tree);
    while (Utils::GSIAVLNode* node = it.Next()) {
        const Subscription* subscription = static_cast<Subscription*>(node);
        if (subscription->count > 0) nodes.push_back(subscription->node);
    }
    return nodes;
}

void GSRouter::ClearSubscriptions() {
    for (GSNode* node : m_nodes) node->m_subscriptions.clear();
    for (Utils::GSIAVLTree* tree : m_subscriptions) {
        if (!tree) continue;
        while (Utils::GSIAVLNode* root = tree->Root()) delete static_cast<Subscription*>(tree->Remove(root));
        delete tree;
    }
    m_subscriptions.clear();
    m_treeCount = 0;
}

void GSRouter::Deliver(GSNode* node, GSMessage* message) { node->HandleMessage(message); }

void GSRouter::SendMessage(GSMessage* message) {
    if (!message) return;
    if (g_trace) TraceMessage(message);
    if (HandleDebugMessage(message)) return;
    // Handlers may release every other holder of the message while it is
    // being delivered.
    Vek::AutoReference<GSMessage> hold(message);
    message->AddReference();
    const bool script = message->major >= kFirstScriptType;
    if (script && !TreeOf(message->major)) return;
    if (message->destination != 0) {
        GSNode* node = GetNode(message->destination);
        if (!node) return;
        if (script && (node->IsMuted() || SubscriptionCount(node, message->major) == 0)) return;
        Deliver(node, message);
        return;
    }
    // Handlers may change the node list and the subscriptions: walk a
    // snapshot of ids and check each node again before it gets the message.
    std::vector<int32_t> ids;
    if (script) {
        for (GSNode* node : Subscribers(message->major)) ids.push_back(node->m_id);
    } else {
        for (GSNode* node : m_nodes) ids.push_back(node->m_id);
    }
    // The walks read every node (and look each up again): 32 units a node.
    GSChargeWork(uint64_t(ids.size()) * kWorkPerMessage);
    for (int32_t id : ids) {
        GSNode* node = GetNode(id);
        if (!node) continue;
        if (script && (node->IsMuted() || SubscriptionCount(node, message->major) == 0)) continue;
        Deliver(node, message);
    }
}

void GSRouter::PostMessage(GSMessage* message) {
    if (!message || !m_running) return;
    GSMessage* copy = message->Clone();
    const uint32_t delay = copy->timeWord & GSMessage::kTimeMask;
    if (delay != 0) {
        copy->timeWord = (copy->timeWord & ~GSMessage::kTimeMask) | ((delay + m_clock) & GSMessage::kTimeMask);
        if (!m_heap.Push(copy)) copy->ReleaseReference();
        return;
    }
    m_posted.push_back(copy);
}

GSMessage* GSRouter::TakeDueMessage() {
    const GSMessage* top = m_heap.Top();
    if (!top || top->DueTime() > m_clock) return nullptr;
    return m_heap.Pop();
}

GSMessage* GSRouter::TakePostedMessage() {
    if (m_posted.empty()) return nullptr;
    GSMessage* message = m_posted.front();
    m_posted.pop_front();
    return message;
}

void GSRouter::ClearMessages(GSGameObject* object, const Vek::PString& major, const Vek::PString& minor) {
    if (!object) return;
    const uint16_t majorId = GetMessageTypeId(major);
    const uint16_t minorId = GetMessageTypeId(minor);
    int32_t removed = 0;
    // The walk reads every delayed message: charged as 32 units each.
    GSChargeWork(uint64_t(m_heap.Count()) * kWorkPerMessage);
    for (int32_t i = m_heap.Count(); i >= 1; --i) {
        // A removal moves the last entry into slot i and restores the heap
        // order around it: slot i is looked at again until it holds an
        // entry that stays (or is past the end).
        while (i <= m_heap.Count()) {
            const GSMessage* entry = m_heap.At(i);
            const bool match = entry->destination == object->Id() && entry->major == majorId &&
                               (minorId == kTypeEmpty || entry->minor == minorId);
            if (!match) break;
            m_heap.RemoveAt(i)->ReleaseReference();
            removed += 1;
        }
    }
    if (removed > 0 && GSLogCallback) {
        GSLog("%d queued router messages cleared for %04d '%s', message %s, %s", removed, object->Id(),
              object->GetName().c_str(), major.c_str(), minor.c_str());
    }
}

void GSRouter::Info() const {
    if (!GSLogCallback) return;
    GSLog("ROUTER INFO\n===========");
    if (GSLogCallback) GSLog("%d Node(s)", NodeCount());
    if (GSLogCallback) GSLog("%d Message(s) in the delay queue", m_heap.Count());
    if (GSLogCallback) GSLog("%d Major types", m_typeCounter);
    if (GSLogCallback) GSLog("%d Posted messages", PostedCount());
    if (GSLogCallback) GSLog("%d Subscription AVL trees", SubscriptionTreeCount());
}

void GSRouter::DumpAllThreadStacks() const {
    if (GSLogCallback) GSLog("*** DUMPING ALL THREAD STACKS ***");
    for (GSNode* node : m_nodes) {
        if (node->IsGameObject()) static_cast<GSGameObject*>(node)->DumpThreadStacks();
    }
}

bool GSRouter::HandleDebugMessage(GSMessage* message) {
    if (!message || message->major != m_dumpMajor || message->minor != m_dumpMinor || m_dumpMajor == 0) return false;
    if (message->destination != 0) {
        GSNode* node = GetNode(message->destination);
        if (node && node->IsGameObject()) static_cast<GSGameObject*>(node)->DumpThreadStacks();
    } else {
        DumpAllThreadStacks();
    }
    return true;
}

Vek::String GSRouter::NodeName(int32_t id) const {
    GSNode* node = GetNode(id);
    return node ? Vek::String(node->GetName().c_str()) : Vek::String();
}

void GSRouter::DescribeMessage(const GSMessage* message, Vek::String& out) const {
    if (!message) return;
    out.Add("router message from %04d '%s' to %04d '%s', message %s, %s\n", message->source,
            NodeName(message->source).c_str(), message->destination, NodeName(message->destination).c_str(),
            GetMessageTypeName(message->major).c_str(), GetMessageTypeName(message->minor).c_str());
}

void GSRouter::TraceMessage(const GSMessage* message) const {
    if (!g_trace || !message || !GSLogCallback) return;
    const Vek::String major = GetMessageTypeName(message->major);
    const Vek::String minor = GetMessageTypeName(message->minor);
    if (major.Std() == "Train" && minor.Std() == "ThrottleChanged") return;
    if (minor.Std() == "Tick") return;
    Vek::String line;
    DescribeMessage(message, line);
    if (!line.Std().empty() && line.Std().back() == '\n') line.Std().pop_back();
    GSLog("%s", line.c_str());
}

void GSRouter::SetTraceEnabled(bool enabled) { g_trace = enabled; }

bool GSRouter::IsTraceEnabled() { return g_trace; }

bool GSRouter::Done() {
    if (!m_nodes.empty() && GSLogCallback) GSLog("GSRouter::Done(), %d outstanding node(s)", NodeCount());
    ClearSubscriptions();
    m_typeNames.clear();
    m_typeIds.clear();
    m_nameCache.fill(0);
    m_typeCounter = kFirstScriptType;
    m_typeTableSerial = ++g_lastTypeTableSerial;
    m_nodeNames.clear();
    m_byId.clear();
    m_nodeCache.fill(NodeCacheEntry());
    std::vector<GSNode*> nodes;
    nodes.swap(m_nodes);
    for (GSNode* node : nodes) {
        // A node that leaves the router leaves its active set too: it may
        // be deleted later without the router knowing.
        m_active.erase(node);
        node->m_id = -1;
        node->m_router = nullptr;
        node->m_hasRegisteredName = false;
        node->m_registeredName.clear();
        node->ClearQueue();
    }
    for (GSNode* node : nodes) {
        if (!node->IsDestroyPending()) continue;
        delete node;
    }
    while (!m_posted.empty()) {
        m_posted.front()->ReleaseReference();
        m_posted.pop_front();
    }
    while (GSMessage* message = m_heap.Pop()) message->ReleaseReference();
    m_running = false;
    m_dumpMajor = 0;
    m_dumpMinor = 0;
    return true;
}

}  // namespace GSRuntime
