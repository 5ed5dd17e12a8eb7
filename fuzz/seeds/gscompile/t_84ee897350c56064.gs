class C {
static void f() {}
};