class C {
void f(int a) {}
void f(float a) {}
void g() {
