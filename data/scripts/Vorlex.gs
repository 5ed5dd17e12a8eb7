//
// Vorlex.gs: what every asset script may use.
//
include "Str.gs"
include "Math.gs"
include "LinkedList.gs"
include "Constructors.gs"
include "VorlexGameObject.gs"
include "Library.gs"
include "Soup.gs"
include "kuid.gs"

class VorlexScriptBase
{
	public native float GetSeconds(void);
	public native float GetNormalizedSystemTime(void);
	public native int GetSystemYear(void);
	public native int GetSystemMonth(void);
	public native int GetSystemDate(void);
	public native int GetSystemHour(void);
	public native int GetSystemMinute(void);
	public native int GetSystemSecond(void);
	public native Library GetLibrary(KUID kuid);
	public native Asset FindAsset(KUID kuid);
	public native Asset[] GetAssetList(string kind);
	public native Asset[] GetAssetList(string kind, string type);
	public native KUID[] SearchAssets(string category, bool localOnly);
	public native Asset[] FindUpdatedAssets(void);
	public native Soup VorlexSystemCall(string name, Soup arguments);
	public native bool OpenURL(string url);
	public native void Log(string text);
	public native float GetVorlexVersion(void);
	public native int GetVorlexBuild(void);
	public native KUID CloneKUID(KUID kuid);
};

static class Vorlex isclass VorlexScriptBase
{
};
