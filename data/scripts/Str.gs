//
// Str.gs: text helpers that run natively.
//

static class Str
{
	public native void TrimLeft(string s, string set);
	public native void TrimRight(string s, string set);
	public native int ToInt(string s);
	public native float ToFloat(string s);
	public native void ToUpper(string s);
	public native void ToLower(string s);
	public native string[] Tokens(string s, string delimiters);
	public native int UnpackInt(string s);
	public native float UnpackFloat(string s);
	public native string UnpackString(string s);
	public native int Find(string s, string text, int start);
};
