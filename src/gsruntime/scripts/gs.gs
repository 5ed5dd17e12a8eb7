//
// gs.gs: the runtime's own script library.
//
// GSObject is the root of the script objects that native code knows about,
// GameObject the base of every game object, Message the object a script
// receives for each message delivered to it, and Router the static class
// through which scripts reach the router of their context.
//
// The native declarations below are bound by their signature texts to the
// natives that the script machine registers when it is set up; a change to
// a declaration must be matched there. The runtime fills a Message's five
// members itself, in this order, at data slots 2 to 6.
//

class GSObject
{
	public native string GetGSClassName(void);
};


class GameObject isclass GSObject
{
	public native void SendMessage(GameObject dst, string major, string minor);
	public native void SendMessage(GameObject dst, string major, string minor, GSObject paramSoup);
	public native void PostMessage(GameObject dst, string major, string minor, float seconds);
	public native void PostMessage(GameObject dst, string major, string minor, GSObject paramSoup, float seconds);
	public native void ClearMessages(string major, string minor);
	public native void AddHandler(GameObject target, string major, string minor, string handler);
	public native void Sniff(GameObject target, string major, string minor, bool enable);
	public native void Sleep(float seconds);
	public native int GetId(void);
	public native string GetName(void);
	public native void Exception(string reason);
};


class Message
{
	public string major;
	public string minor;
	public GameObject src;
	public GameObject dst;
	public GSObject paramSoup;
};


static class Router
{
	public native GameObject GetGameObject(int id);
	public native GameObject GetForeignGameObject(int id);
	public native GameObject GetGameObject(string name);
	public native void Info(void);
	public native void PostMessage(int src, int dst, string major, string minor, float seconds);
};
