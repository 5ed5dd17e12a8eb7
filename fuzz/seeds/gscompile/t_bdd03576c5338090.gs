class A {
public native int N(int a, string b);
public thread void T() {}
};
class C {
A Make() { return null; }
void f(A a) {
a.N(1, "x");
a.T();
Make();
}
};