static class A {};
class B {
void f() {
object o = A;
}
};