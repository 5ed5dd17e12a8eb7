//
// LinkedList.gs: helpers over arrays of LinkedData entries.
//
include "LinkedData.gs"

static class LinkedList
{
	public native void SortInternal(LinkedData[] list);
	public native void AddInternal(LinkedData[] list, LinkedData item, bool unique);

	public void Sort(LinkedData[] list) { SortInternal(list); }
	public void Add(LinkedData[] list, LinkedData item) { AddInternal(list, item, false); }
	public void AddUnique(LinkedData[] list, LinkedData item) { AddInternal(list, item, true); }
};
