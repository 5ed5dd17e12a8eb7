class C {
void f() {}
void f() {}
void g() { x = 1; }
};