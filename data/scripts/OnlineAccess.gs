//
// OnlineAccess.gs: the script face of the online messaging service.
//
include "gs.gs"
include "Soup.gs"
include "OnlineGroup.gs"

final class OnlineAccess isclass GameObject
{
	public native void Connect(void);
	public native int GetStatus(void);
	public native void Disconnect(void);
	public native string GetUsername(void);
	public native int GetLocalData(string key, Soup data);
	public native int SetLocalData(string key, Soup data);
	public native int GetProfileData(string key, Soup data);
	public native int SetProfileData(string key, Soup data);
	public native int PostMessage(string name, Soup message);
	public native int CollectMessage(string name, Soup message);
	public native OnlineGroup CreateGroup(int groupType);
	public native OnlineGroup OpenGroup(string cookie, int groupType);
	public native int PostOfflineMessage(Soup message);
	public native int CollectOfflineMessage(Soup message);
	public native bool CanAccessMultiplayer(void);
};
