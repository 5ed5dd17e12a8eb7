class C {
float f() {
int i;
}
};