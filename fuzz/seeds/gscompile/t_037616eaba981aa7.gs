class A { void f() {
(Foo)x;
} };