class C {
int x = "s";
};