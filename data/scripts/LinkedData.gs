//
// LinkedData.gs: one entry of a keyed list. The native list helpers read
// the members in this order: the key text, the number, the object.
//
include "gs.gs"

class LinkedData
{
	public string key;
	public int value;
	public GSObject obj;
};
