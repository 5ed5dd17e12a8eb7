class M { public int x; };
class A {
  M m;
  void f(void) {
