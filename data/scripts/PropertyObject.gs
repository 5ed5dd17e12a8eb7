//
// PropertyObject.gs: a game object whose settings travel as a soup.
//
include "gs.gs"
include "Soup.gs"

class PropertyObject isclass GameObject
{
	public void SetProperties(Soup soup) { }
	public Soup GetProperties(void) { return null; }
};
