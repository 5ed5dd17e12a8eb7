//
// HTMLBuffer.gs: a piece of HTML text built step by step.
//
include "gs.gs"

final class HTMLBuffer isclass GSObject
{
	public native void Clear(void);
	public native bool IsEmpty(void);
	public native string AsString(void);
	public native void Print(string text);
	public native void Escape(string text);
};

static class HTMLBufferStatic
{
	public native HTMLBuffer Construct(void);
};
