class A { void f(int i) {} };
class B { void f(int i) {} };
class C isclass A, B {
void g() {
f(1);
}
};