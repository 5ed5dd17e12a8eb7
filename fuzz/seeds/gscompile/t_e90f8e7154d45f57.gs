static class S {};
class C {
void f() {
new S();
}
};