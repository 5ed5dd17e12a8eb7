class A {};
class B {
void f() {
cast<A>(me);
}
};