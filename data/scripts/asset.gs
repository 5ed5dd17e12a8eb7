//
// asset.gs: the script face of an installed asset.
//
include "kuid.gs"
include "KUIDList.gs"
include "Soup.gs"
include "StringTable.gs"
include "Image.gs"

final class Asset isclass GSObject
{
	public native KUID GetKUID(void);
	public native string GetLocalisedName(void);
	public native string GetLocalisedDescription(void);
	public native string GetCreatorName(void);
	public native KUID LookupKUIDTable(string name);
	public native Asset FindAsset(string name);
	public native StringTable GetStringTable(void);
	public native Soup GetConfigSoup(void);
	public native KUIDList GetDependencyList(void);
	public native bool SupportsVorlexBuildVersion(float build);
	public native Image LoadImage(string name);
	public native bool IsLocallyModified(void);
	public native string GetInfoURL(void);
	public native bool GetIsFavorite(void);
	public native void SetIsFavorite(bool favourite);
	public native Asset GetParent(void);
	public native string GetCategoryEra(void);
	public native string GetCategoryRegion(void);
	public native Soup GetSessionRuleData(string name);
	public native bool IsBuiltIn(void);
	public native bool IsOnTheFetchport(void);
};
