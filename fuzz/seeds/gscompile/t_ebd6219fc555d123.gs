class A { public void f() {} };
class B {
void g(A a) {
a.f();
}
};