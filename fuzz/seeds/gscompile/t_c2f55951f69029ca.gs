class A { final void f() {} };
class B isclass A {
void f() {}
};