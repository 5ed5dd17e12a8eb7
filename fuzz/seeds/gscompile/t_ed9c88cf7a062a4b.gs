class A { void f() {
new int[];
} };