#pragma once
// GSTrackedObject: an object that a script context keeps track of, through
// a slot of its tracked-object registry, so that the context can find it
// and, when the context ends, destroy it. Script instance headers are the
// tracked objects of the runtime (GSScriptInstance).
//
// The three operations run only while a context is torn down, each over
// every tracked object before the next starts (GSTrackedObjectRegistry::
// DestroyAll): Hold pins the object, ReleaseContents drops every reference
// it holds, Discard destroys it. Between the last two, objects outside the
// dying context drop what they hold of it (CutReferencesInto).
struct GSTrackedSlot;
class GSTrackedObjectRegistry;

class GSTrackedObject {
public:
    virtual void Hold() {}
    virtual void ReleaseContents() {}
    // Forgets the registry slot (the registry is going away with it).
    virtual void Discard() { m_slot = nullptr; }
    // Drops every reference the object holds to an object tracked by
    // `dying`, whose objects are pinned (so that none dies of it).
    virtual void CutReferencesInto(const GSTrackedObjectRegistry& dying) { (void)dying; }

    bool IsTracked() const { return m_slot != nullptr; }
    GSTrackedSlot* RegistrySlot() const { return m_slot; }

protected:
    GSTrackedObject() = default;
    // Tracked objects are not deleted through this base.
    ~GSTrackedObject() = default;
    GSTrackedObject(const GSTrackedObject&) = delete;
    GSTrackedObject& operator=(const GSTrackedObject&) = delete;

private:
    friend class GSTrackedObjectRegistry;
    GSTrackedSlot* m_slot = nullptr;
};
