#include "gsruntime/router/GSRouterSetup.h"

#include <vector>

#include "gsruntime/GSContext.h"
#include "gsruntime/GSMachine.h"
#include "gsruntime/interpreter/GSGameObjectServices.h"
#include "gsruntime/router/GSGameObject.h"
#include "gsruntime/router/GSGameObjectNatives.h"
#include "gsruntime/router/GSMessage.h"
#include "gsruntime/router/GSMessageSoupParameter.h"
#include "gsruntime/router/GSRouter.h"
#include "gsruntime/router/GSRouterNatives.h"

namespace GSRuntime {

namespace {

GSGameObject* AsGameObject(GSObject* object) {
    return object ? object->AsGameObject() : nullptr;
}

GSGameObject* RoutedGameObject(GSRouter* router, int32_t id) {
    GSNode* node = router ? router->GetNode(id) : nullptr;
    return node && node->IsGameObject() ? static_cast<GSGameObject*>(node) : nullptr;
}

// Calls `apply` (router, node, major, n) for each run of n blocks in a row
// with the same major id, in block order: n subscriptions to a major in a
// row come to one change of its count.
template <class Apply>
void ForEachMajorRun(GSObject* object, const GSWaitBlock* blocks, int32_t count, Apply apply) {
    GSGameObject* gameObject = AsGameObject(object);
    GSRouter* router = gameObject ? gameObject->Router() : nullptr;
    if (!router) return;
    for (int32_t i = 0; i < count;) {
        int32_t end = i + 1;
        while (end < count && blocks[end].major == blocks[i].major) ++end;
        apply(router, gameObject, blocks[i].major, end - i);
        i = end;
    }
}

GSGameObjectServices RouterServices() {
    GSGameObjectServices services;
    services.inRouter = [](GSObject* object) {
        GSGameObject* gameObject = AsGameObject(object);
        return gameObject && gameObject->Router() && gameObject->Id() != -1;
    };
    services.nodeId = [](GSObject* object) {
        GSGameObject* gameObject = AsGameObject(object);
        return gameObject ? gameObject->Id() : -1;
    };
    services.messageTypeId = [](GSObject* object, const char* name) -> uint16_t {
        GSGameObject* gameObject = AsGameObject(object);
        if (!gameObject || !gameObject->Router()) return (!name || !*name) ? GSRouter::kTypeEmpty : 0;
        return gameObject->Router()->GetMessageTypeId(name);
    };
    services.typeTable = [](GSObject* object) -> uint64_t {
        GSGameObject* gameObject = AsGameObject(object);
        return gameObject && gameObject->Router() ? gameObject->Router()->TypeTableSerial() : 0;
    };
    services.messageTypeIdMemo = [](GSObject* object, const char* name, GSTypeIdMemo& memo) -> uint16_t {
        GSGameObject* gameObject = AsGameObject(object);
        if (!gameObject || !gameObject->Router()) return (!name || !*name) ? GSRouter::kTypeEmpty : 0;
        return gameObject->Router()->GetMessageTypeId(name, memo);
    };
    services.subscribeBlocks = [](GSObject* object, const GSWaitBlock* blocks, int32_t count) {
        ForEachMajorRun(object, blocks, count, [](GSRouter* router, GSGameObject* node, uint16_t major, int32_t times) {
            router->Subscribe(node, major, times);
        });
    };
    services.unsubscribeBlocks = [](GSObject* object, const GSWaitBlock* blocks, int32_t count) {
        ForEachMajorRun(object, blocks, count, [](GSRouter* router, GSGameObject* node, uint16_t major, int32_t times) {
            router->Unsubscribe(node, major, times);
        });
    };
    services.messageMajor = [](const GSMessage* message) { return message->major; };
    services.messageMinor = [](const GSMessage* message) { return message->minor; };
    services.holdMessage = [](GSMessage* message) { message->AddReference(); };
    services.releaseMessage = [](GSMessage* message) { message->ReleaseReference(); };
    services.messageObject = [](GSObject* object, GSMessage* message) -> GSDataRef {
        GSGameObject* gameObject = AsGameObject(object);
        GSRouter* router = gameObject ? gameObject->Router() : nullptr;
        if (!router || !object->GetContext()) return 0;
        GSMessageParts parts;
        parts.major = router->MessageTypeText(message->major);
        parts.minor = router->MessageTypeText(message->minor);
        parts.source = RoutedGameObject(router, message->source);
        parts.destination = RoutedGameObject(router, message->destination);
        parts.parameter = NewMessageParameterObject(object->GetContext(), message->parameter);
        return GSContext::BuildMessageObject(object->GetContext(), parts);
    };
    services.describeMessage = [](GSObject* object, const GSMessage* message, Vek::String& out) {
        GSGameObject* gameObject = AsGameObject(object);
        if (gameObject && gameObject->Router()) gameObject->Router()->DescribeMessage(message, out);
    };
    services.newGameObject = []() -> GSObject* { return new GSGameObject(); };
    services.addToRouter = [](GSRouter* router, GSObject* object) {
        GSGameObject* gameObject = AsGameObject(object);
        if (router && gameObject) router->AddNode(gameObject);
    };
    return services;
}

}  // namespace

void GSInstallRouter() {
    GSContext::RouterFactory factory;
    factory.create = [](GSContext* context) -> GSRouter* { return new GSRouter(context); };
    factory.destroy = [](GSRouter* router) {
        // The context's game objects go with its router: the context's
        // teardown that follows only unbinds their instances, so a game
        // object still registered now would outlive its context. Deleting
        // them first also drops what their threads hold while everything
        // they reference is still alive.
        //
        // Threads and members of one object may hold the last count on
        // itself or on another object of the list; with the router gone a
        // last release deletes the object at once, which would delete it
        // twice here. So every object gets one count of the teardown's own
        // before anything is released and keeps it: its threads go, then
        // the object, whose instance (still counted) lives on without owner
        // until the context's teardown ends every instance of the context.
        std::vector<GSGameObject*> owned;
        for (GSNode* node : router->Nodes()) {
            if (!node->IsGameObject() || node->IsDestroyPending()) continue;
            GSGameObject* object = static_cast<GSGameObject*>(node);
            if (object->GetContext() == router->Context()) owned.push_back(object);
        }
        for (GSGameObject* object : owned) object->HoldInstance();
        router->Done();
        for (GSGameObject* object : owned) object->DropThreadsAndHandlers();
        for (GSGameObject* object : owned) {
            router->EraseActive(object);
            delete object;
        }
        delete router;
    };
    GSContext::SetRouterFactory(factory);
    GSSetGameObjectServices(RouterServices());
    GSMachine::SetNativeRegistrar(GSNativeGroup::GameObject, &RegisterGameObjectNatives);
    GSMachine::SetNativeRegistrar(GSNativeGroup::Router, &RegisterRouterNatives);
}

}  // namespace GSRuntime
