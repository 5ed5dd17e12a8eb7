//
// Library.gs: the game object of a script library asset.
//
include "VorlexGameObject.gs"
include "Menu.gs"

class Library isclass VorlexGameObject
{
	public Menu GetMenu(void) { return null; }
};
