//
// Math.gs: numeric helpers that run natively.
//

static class Math
{
	public native float Rand(float lo, float hi);
	public native int Rand(int lo, int hi);
	public native float Sqrt(float value);
};
