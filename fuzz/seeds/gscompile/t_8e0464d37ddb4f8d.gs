class A { public void f(int i) {} };
class B isclass A { public void f(int i) {} };
class C isclass B {
void g(C c) {
f(1);
c.f(2);
}
};