class A { void f() {} };
class B {
void g(A a) {
a.f();
}
};