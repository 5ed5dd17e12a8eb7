class A { void f(int i) {} };
class B isclass A {
void f(int i) {
inherited();
}
};