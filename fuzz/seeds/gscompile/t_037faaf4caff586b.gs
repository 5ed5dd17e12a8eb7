class C {
void g();
void f() {
g();
}
void g() {}
};