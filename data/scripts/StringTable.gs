//
// StringTable.gs: the texts of an asset, with parameters $0 to $9.
//
include "gs.gs"

final class StringTable isclass GSObject
{
	public native string GetLanguage(void);
	public native void ClearParams(void);
	public native void SetParam(int index, string value);
	public native string GetString(string name);
};
