//
// Vorlex.gs: what every asset script may use.
//
include "Str.gs"
include "Math.gs"
include "LinkedList.gs"
include "Constructors.gs"
include "VorlexGameObject.gs"

class VorlexScriptBase
{
	public native Asset FindAsset(KUID kuid);
	public native Asset[] GetAssetList(string kind);
	public native Asset[] GetAssetList(string kind, string type);
	public native KUID[] SearchAssets(string category, bool localOnly);
	public native Asset[] FindUpdatedAssets(void);
};

static class Vorlex
{
};
