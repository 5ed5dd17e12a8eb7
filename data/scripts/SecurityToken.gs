//
// SecurityToken.gs: a token that grants a script extra rights.
//
include "gs.gs"

final class SecurityToken isclass GSObject
{
	public native bool IsOwnerLocallyModified(void);
};
