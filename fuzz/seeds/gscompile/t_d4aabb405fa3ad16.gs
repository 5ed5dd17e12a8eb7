class A {};
class A {};
class B { void f() { x = 1; } };