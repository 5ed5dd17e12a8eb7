class C {
void f(int a,
Foo b);
};