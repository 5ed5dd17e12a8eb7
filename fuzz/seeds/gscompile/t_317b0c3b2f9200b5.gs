class A { public int a; };
class B isclass A { public int b; };
class C isclass B {
int c;
void f() {
a = 1;
b = 2;
c = 3;
}
};