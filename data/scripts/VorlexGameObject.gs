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

	public native SecurityToken IssueSecurityToken(KUID owner, string[] rights);
	public native SecurityToken IssueSecurityToken(SecurityToken token, KUID owner, string[] rights);
	public native SecurityToken MergeSecurityTokens(SecurityToken[] tokens);
	public native bool Validate(SecurityToken token, VorlexGameObject issuer, string right);
	public native bool Validate(SecurityToken token, KUID issuer, string right);
};
