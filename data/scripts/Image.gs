//
// Image.gs: a bitmap scripts can draw into.
//
include "gs.gs"
include "Soup.gs"

final class Image isclass GSObject
{
	// Pictures and their size. Clear gives a w x h picture in the fill colour;
	// a size of 0 (or one too large) leaves the image without picture.
	public native void Clear(int w, int h);
	public native void Resize(int w, int h, bool scale);
	public native int GetWidth(void);
	public native int GetHeight(void);

	// Colours: red, green, blue and alpha from 0 to 1.
	public native void SetLineColor(float r, float g, float b, float a);
	public native void SetFillColor(float r, float g, float b, float a);

	public native void DrawPoint(int x, int y);
	public native void DrawRect(int x1, int y1, int x2, int y2);
	public native void DrawLine(int x1, int y1, int x2, int y2);
	public native void DrawCircle(int x, int y, int r);
	public native void DrawTriangle(int x1, int y1, int x2, int y2, int x3, int y3);
	public native void DrawImage(int x, int y, Image source);
	public native void DrawImage(int x1, int y1, int x2, int y2, Image source);
	public native void DrawImage(int x1, int y1, int x2, int y2, Image source, int sx1, int sy1, int sx2, int sy2);

	// Text: the face ("swiss", "roman", "modern" or a face name) and the
	// height in pixels.
	public native void SetTextFont(string face, int height);
	public native int MeasureTextWidth(string text);
	public native void DrawText(int x, int y, string text);

	public native Soup ExportImage(void);
	public native void ImportImage(Soup soup);
};
