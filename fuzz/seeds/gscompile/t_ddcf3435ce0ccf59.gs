class B {
int x;
void f(B b) {
b.x = 1;
}
};