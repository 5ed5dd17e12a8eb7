class A { public int a1; int F() { return 1; } int G() { return 2; } };
class B isclass A { public int b1; int G() { return 3; } int H() { return 4; } };
class C isclass B { int c1; string name; void K() { } };
