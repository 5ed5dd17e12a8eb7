static class A { public int x; };
class B {
void f() {
A.x = 1;
}
};