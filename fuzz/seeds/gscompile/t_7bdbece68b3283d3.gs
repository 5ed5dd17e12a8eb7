class C {
int f() {
return;
}
};