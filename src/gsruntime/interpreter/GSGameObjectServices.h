#pragma once
// GSGameObjectServices: what script threads and the interpreter need of game
// objects, their router and its messages, supplied by the code that
// implements them. A thread's owner is the game object (a GSObject of
// reference type 4) that runs it; a message is the router's GSMessage, which
// the thread only queues, matches by its type ids and counts.
//
// The interpreter uses them to wait for messages (subscriptions and type
// ids), to deliver a message to a waiting thread (the script "Message"
// object), to report a full message queue (node id and message texts), to
// start threads on game objects (whether the node is in a router), and to
// create game objects (a new native game object, entered in the context's
// router).
//
// Until they are installed, nothing is in a router: waits and thread starts
// raise ER_ThreadError, messages are refused, and a game-object class cannot
// be instantiated by script code (ER_ClassCreateError).
#include <cstdint>

#include "engine/AnsiString.h"
#include "gsruntime/GSDataReference.h"
#include "gsruntime/GSTypeIdMemo.h"
#include "gsruntime/interpreter/GSWaitBlock.h"

namespace GSRuntime {

class GSMessage;
class GSObject;
class GSRouter;

struct GSGameObjectServices {
    // True when the game object's node is in a router.
    bool (*inRouter)(GSObject* gameObject) = nullptr;
    // The id of the game object's node.
    int32_t (*nodeId)(GSObject* gameObject) = nullptr;
    // The message-type id that the game object's router gives a type name
    // (1 for the empty name); a new name gets a new id.
    uint16_t (*messageTypeId)(GSObject* gameObject, const char* name) = nullptr;
    // Optional, together: the serial of the type table of the game
    // object's router (0 for none), and messageTypeId through a memo of the
    // name's id (GSTypeIdMemo.h) that it fills; a memo of the current table
    // holds the id messageTypeId would give.
    uint64_t (*typeTable)(GSObject* gameObject) = nullptr;
    uint16_t (*messageTypeIdMemo)(GSObject* gameObject, const char* name, GSTypeIdMemo& memo) = nullptr;
    // Subscribes, resp. unsubscribes, the game object's node to the major
    // id of each of `count` wait blocks, in one call.
    void (*subscribeBlocks)(GSObject* gameObject, const GSWaitBlock* blocks, int32_t count) = nullptr;
    void (*unsubscribeBlocks)(GSObject* gameObject, const GSWaitBlock* blocks, int32_t count) = nullptr;

    // A message's major and minor type ids.
    uint16_t (*messageMajor)(const GSMessage* message) = nullptr;
    uint16_t (*messageMinor)(const GSMessage* message) = nullptr;
    // Adds, resp. releases, one count of a message.
    void (*holdMessage)(GSMessage* message) = nullptr;
    void (*releaseMessage)(GSMessage* message) = nullptr;
    // A new script "Message" object for a message, made by the game
    // object's context; its one count is handed over. 0 when none can be
    // made.
    GSDataRef (*messageObject)(GSObject* gameObject, GSMessage* message) = nullptr;
    // Appends the router's description of a message to `out`.
    void (*describeMessage)(GSObject* gameObject, const GSMessage* message, Vek::String& out) = nullptr;

    // A new, unbound native game object; null when none can be made.
    GSObject* (*newGameObject)() = nullptr;
    // Enters a game object's node in a router.
    void (*addToRouter)(GSRouter* router, GSObject* gameObject) = nullptr;
};

// Installs the services (replacing any installed before).
void GSSetGameObjectServices(const GSGameObjectServices& services);
const GSGameObjectServices& GSGetGameObjectServices();

// The services' answers, with the defaults above when one is missing.
bool GSInRouter(GSObject* gameObject);
// True for a game object (reference type 4) whose node is in a router.
bool GSIsRoutedGameObject(GSObject* object);

}  // namespace GSRuntime
