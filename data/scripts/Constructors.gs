//
// Constructors.gs: how scripts create native objects.
//
include "Soup.gs"
include "KUIDList.gs"
include "Image.gs"

static class ConstructorsBase
{
	public native Soup NewSoup(void);
	public native KUIDList NewKUIDList(void);
	public native Image NewImage(void);
};
