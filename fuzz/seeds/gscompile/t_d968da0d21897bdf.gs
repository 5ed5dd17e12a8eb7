class C {
int y;
int x;
void f(int a) {
int x;
x = 1;
{ float y; y = 2; }
y = 3;
}
void g() {
x = 4;
}
};