class C {
int f() {
return "a";
}
};