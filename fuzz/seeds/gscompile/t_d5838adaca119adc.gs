class C {
void f();
int f() { return 1; }
void g() { x = 1; }
};