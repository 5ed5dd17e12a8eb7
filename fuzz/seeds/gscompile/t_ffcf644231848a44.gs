class C {
thread void f() {
inherited();
}
};