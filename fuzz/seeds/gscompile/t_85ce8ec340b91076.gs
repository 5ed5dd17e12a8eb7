class C {
void f(int a) {
int a;
}
};