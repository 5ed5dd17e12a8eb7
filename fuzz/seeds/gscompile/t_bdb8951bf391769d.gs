class A { void f() { switch (x) {
case a = 1: ;
} } };