//
// OnlineGroup.gs: a group of users of the online messaging service.
//
include "gs.gs"
include "Soup.gs"

final class OnlineGroup isclass GameObject
{
	public native void Connect(void);
	public native int GetStatus(void);
	public native void Disconnect(void);
	public native string GetOnlineGroupCookie(void);
	public native void AddUser(string user);
	public native void RemoveUser(string user);
	public native int CountUsers(void);
	public native string GetIndexedUser(int index);
	public native int FindUser(string user);
	public native int GetUserStatus(int index);
	public native int PostMessage(Soup message);
	public native int CollectMessage(string user, Soup message);
	public native void SetModeFlags(int setFlags, int clearFlags);
	public native void SetUserModeFlags(string user, int setFlags, int clearFlags);
	public native int GetUserModeFlags(string user);
};
