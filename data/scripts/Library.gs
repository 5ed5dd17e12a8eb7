//
// Library.gs: the game object of a script library asset.
//
include "VorlexGameObject.gs"
include "Menu.gs"
include "OnlineAccess.gs"

class Library isclass VorlexGameObject
{
	public native OnlineAccess GetOnlineAccess(void);
	public native string LibraryCallNative(string function, string[] args, GSObject[] objects);
	public native void AddSystemMenuIcon(Asset asset, string text, string tooltip);
	public native void AddSystemMenuIcon(Asset asset, string text, string tooltip, bool flag);
	public native void BlinkSystemMenuIcon(int value);
	public native void RemoveSystemMenuIcon(void);
	public native void ShowSystemMenuIconMenu(Menu menu);
	public native void HideSystemMenuIconMenu(void);

	public Menu GetMenu(void) { return null; }
};
