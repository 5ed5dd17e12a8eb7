//
// VorlexGameObject.gs: the base of the game objects that stand for assets.
//
include "PropertyObject.gs"
include "asset.gs"
include "SecurityToken.gs"

class VorlexGameObject isclass PropertyObject
{
	Asset m_asset;

	public void Init(Asset asset) { m_asset = asset; }
	public Asset GetAsset(void) { return m_asset; }

	public native SecurityToken MergeSecurityTokens(SecurityToken[] tokens);
	public native bool Validate(SecurityToken token, VorlexGameObject issuer, string right);
};
