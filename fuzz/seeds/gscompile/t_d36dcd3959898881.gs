class A {};
class B isclass A {
void f(A a) {
B b = cast<B>(a);
}
};