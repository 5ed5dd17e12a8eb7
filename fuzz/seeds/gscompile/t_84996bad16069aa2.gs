include "Lib\Base.GS"
include "other.gs"
game static class X isclass Y, Z {
  int a = 1 + 2, b;
  public define string K = "k";
  public native void f(int x, Foo[] y);
  int g(void) { }
  final thread void h() { return; }
  void v(void x);
};
class Empty { };
