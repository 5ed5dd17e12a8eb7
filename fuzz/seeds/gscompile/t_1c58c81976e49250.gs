class A { A f(A a, float x) { return a; } };
class B isclass A {
A f(A a, float x) {
return inherited(me, 1);
}
};