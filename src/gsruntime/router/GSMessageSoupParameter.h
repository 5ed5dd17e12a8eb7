#pragma once
// The soup that a routed message carries as its parameter. The runtime
// knows no soup class of its own: the native library that owns the script
// class "Soup" installs two services, one that reads the soup of a script
// object handed to SendMessage or PostMessage, one that makes the locked
// soup object a handler receives. Until they are installed any object given
// as a parameter is of the wrong type, and no message carries a parameter.
#include "foundation/soups/SoupHandle.h"
#include "gsruntime/GSDataReference.h"

namespace GSRuntime {

class GSContext;
class GSObjectReference;

struct GSSoupParameterServices {
    // The soup of `object`; `isSoup` false (and a null handle) when the
    // object is no soup object.
    SoupHandle (*soupOf)(GSObjectReference* object, bool& isSoup) = nullptr;
    // A new locked soup object of `context` sharing `soup`; the data
    // reference carries its creation count for the caller. 0 when none can
    // be made.
    GSDataRef (*newLockedSoup)(GSContext* context, const SoupHandle& soup) = nullptr;
};

// Installs the services (replacing any installed before).
void GSSetSoupParameterServices(const GSSoupParameterServices& services);
const GSSoupParameterServices& GSGetSoupParameterServices();

// Removes every top-level tag whose name begins with "__". Tags are visited
// by index; the index of a removed tag is visited again.
void StripHiddenTags(SoupHandle& soup);
// What a message carries for a soup argument: a deep copy of it without its
// hidden top-level tags.
SoupHandle MessageParameterFrom(const SoupHandle& soup);

// The parameter of a message as a new locked soup object of `context`, its
// creation count for the caller; 0 for a message without parameter or
// while no services are installed.
GSDataRef NewMessageParameterObject(GSContext* context, const SoupHandle& parameter);

}  // namespace GSRuntime
