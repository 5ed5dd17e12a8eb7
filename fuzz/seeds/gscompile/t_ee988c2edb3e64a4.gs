class C { void f() {
