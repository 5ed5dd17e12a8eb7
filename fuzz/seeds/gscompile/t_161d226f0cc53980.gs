class M { public int x; };
class C {
  M m;
  int k = m.x++;
  int f(int i) { int j; j = m.x++; return j; }
  int g(int i) { int j; j = i; return j; }
};
