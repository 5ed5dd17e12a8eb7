class M {
  public int x;
  public int h(int p, int q) { return p; }
};
class C {
  string s; string t; int n; M m; int[] a;
  int g(int p, int q) { return p + q; }
  void v() { }
