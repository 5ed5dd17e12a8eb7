static class A { public int f() { return 1; } };
class B {
int x = A.f();
};