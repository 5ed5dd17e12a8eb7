//
// kuid.gs: the identifier of an asset.
//
include "gs.gs"

final class KUID isclass GSObject
{
	public native string GetName(void);
	public native string GetHTMLString(void);
	public native string GetLogString(void);
	public native string GetBaseString(void);
	public native KUID GetBaseKUID(void);
};
