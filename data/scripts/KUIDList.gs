//
// KUIDList.gs: an ordered set of asset identifiers.
//
include "kuid.gs"

final class KUIDList isclass GSObject
{
	public native int CountKUIDs(void);
	public native void AddKUID(KUID kuid);
	public native void RemoveKUID(KUID kuid);
	public native bool HasKUID(KUID kuid);
	public native KUID GetIndexedKUID(int index);
	public native void Copy(KUIDList source);
	public native void Clear(void);
	public native bool IsLocked(void);
};
