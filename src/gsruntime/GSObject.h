#pragma once
// GSObject: the native holder of a script class instance (reference type
// 3); native classes derive from it (game objects with type 4, and the
// script data objects of the native library). Binding it to a class
// creates its instance (GSClass::CreateInstance), which runs the class's
// initialisation code; the object then holds the instance's first count.
//
// When the object is deleted while other references to its instance remain,
// the instance lives on without owner until the last one goes; when the
// last reference goes first, the object is deleted with the instance.
#include "gsruntime/GSDataReference.h"
#include "gsruntime/GSObjectReference.h"

class GSTrackedObjectRegistry;

namespace GSRuntime {

class GSClass;
class GSContext;
class GSGameObject;
class GSThread;

class GSObject : public GSObjectReference {
public:
    GSObject() : GSObjectReference(kGSRefObject) {}
    ~GSObject() override;

    GSDataRef GetReference() const override { return m_instance; }

    // Class null: Unbind, false. Already bound: false. Otherwise creates the
    // instance of `cls` in `context` (null: untracked); false, and unbound,
    // when the creation fails.
    virtual bool BindClass(GSClass* cls, GSContext* context);
    // Gives up the instance: its owner link is cleared and one count
    // released; the object is unbound afterwards.
    void Unbind();

    // The class of the instance, or null.
    GSClass* GetClass() const;
    GSContext* GetContext() const { return m_context; }

    // Called while a context is torn down and every object of it is still
    // pinned: drops what the object's script threads hold (their frames and
    // queued messages), so that nothing is released after the objects they
    // reference are gone. Objects without threads do nothing.
    virtual void ResetThreads() {}
    // Called while another context is torn down: the frames of the
    // object's script threads drop their `me`, reference locals and the
    // references on paused operand stacks that lie in that context (see
    // GSStack::CutReferencesInto). Objects without threads do nothing.
    virtual void CutThreadReferencesInto(const GSTrackedObjectRegistry& dying) { (void)dying; }
    // A new script thread owned by this object; only game objects own
    // threads (null here, and when a game object cannot take another).
    virtual GSThread* CreateThread() { return nullptr; }
    // The object as a game object of the router, or null: a cheap check
    // for the message paths that meet a game object on every message.
    virtual GSGameObject* AsGameObject() { return nullptr; }

    // Used by GSClass::CreateInstance: the new instance and its context,
    // or none (0, null) when a creation fails.
    void AttachInstance(GSDataRef instance, GSContext* context) {
        m_instance = instance;
        m_context = context;
    }

protected:
    explicit GSObject(uint32_t type) : GSObjectReference(type) {}

private:
    GSDataRef m_instance = 0;
    GSContext* m_context = nullptr;
};

}  // namespace GSRuntime
