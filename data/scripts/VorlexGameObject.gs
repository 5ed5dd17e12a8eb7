//
// VorlexGameObject.gs: the base of the game objects that stand for assets.
//
include "PropertyObject.gs"
include "asset.gs"

class VorlexGameObject isclass PropertyObject
{
	public void Init(Asset asset) { }
	public Asset GetAsset(void) { return null; }
};
