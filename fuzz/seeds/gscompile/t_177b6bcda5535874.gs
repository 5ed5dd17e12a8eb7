class A { int x; };
class B {
void f(A a) {
a.x = 1;
}
};