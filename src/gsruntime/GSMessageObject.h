#pragma once
// GSMessageObject: the native holder of a script "Message" object, which the
// router builds for every message a waiting script thread receives. Such
// objects come and go at the rate of messages, so when the last reference
// to one goes, its members are released and the object, still bound and
// tracked, waits in its context's pool (GSMessageObjectPool) at count 0 for
// the next message instead of being destroyed.
//
// Only an object whose class has no base and no initialisation code is
// kept: with its members released, its data cleared and the initialiser
// rows written again, it is exactly what a new one would be. The one
// exception: a name string (major, minor) that nothing but the object
// holds stays in its member, out of every script's reach, so that the next
// message with the same name takes it instead of a new string (KeepsName).
#include <cstdint>

#include "gsruntime/GSObject.h"

namespace GSRuntime {

class GSMessageObject : public GSObject {
public:
    // The members in the object's own view.
    static constexpr uint32_t kMajor = 2;
    static constexpr uint32_t kMinor = 3;
    static constexpr uint32_t kSource = 4;
    static constexpr uint32_t kDestination = 5;
    static constexpr uint32_t kParameter = 6;

    GSMessageObject() = default;

    // True when the name member `slot` of the instance `self` holds a string
    // with the text `name` (non-empty) that nothing else holds: a name kept
    // from the object's last message, which the new message can take as it is.
    static bool KeepsName(GSDataRef self, uint32_t slot, const char* name);

    // True when an object of `cls` is kept for reuse: no base and no
    // initialisation code, so that clearing its data and writing the
    // initialiser rows make it new again.
    static bool Recyclable(const GSClass* cls);
    // Releases the members and hands the object to its context's pool;
    // false (the object is then deleted) when the pool cannot take it.
    bool DeferDestruction() override;
};

// The pooled message objects of one context. Bounded: objects beyond the
// capacity are destroyed as usual. Closed at the start of the context's
// teardown, which destroys what it holds; a closed pool takes nothing.
class GSMessageObjectPool {
public:
    static constexpr int32_t kCapacity = 16;

    GSMessageObjectPool() = default;
    ~GSMessageObjectPool() { Close(); }
    GSMessageObjectPool(const GSMessageObjectPool&) = delete;
    GSMessageObjectPool& operator=(const GSMessageObjectPool&) = delete;

    // A pooled object of `cls`, its instance holding one count for the
    // caller and no member; null when there is none.
    GSMessageObject* Take(const GSClass* cls);
    // Keeps an object whose instance has no count and no member; false when
    // closed or full.
    bool Put(GSMessageObject* object);
    // Destroys every pooled object; Put refuses from now on.
    void Close();
    int32_t Count() const { return m_count; }

private:
    GSMessageObject* m_objects[kCapacity] = {};
    int32_t m_count = 0;
    bool m_closed = false;
};

}  // namespace GSRuntime
