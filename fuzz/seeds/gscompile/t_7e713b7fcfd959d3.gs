class C {
void f() {
g();
}
void g() {}
};