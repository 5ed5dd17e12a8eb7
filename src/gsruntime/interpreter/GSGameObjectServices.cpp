#include "gsruntime/interpreter/GSGameObjectServices.h"

#include "gsruntime/GSObject.h"

namespace GSRuntime {

namespace {

GSGameObjectServices g_services;

}  // namespace

void GSSetGameObjectServices(const GSGameObjectServices& services) { g_services = services; }

const GSGameObjectServices& GSGetGameObjectServices() { return g_services; }

bool GSInRouter(GSObject* gameObject) { return gameObject && g_services.inRouter && g_services.inRouter(gameObject); }

bool GSIsRoutedGameObject(GSObject* object) {
    return object && object->GetType() == kGSRefGameObject && GSInRouter(object);
}

}  // namespace GSRuntime
