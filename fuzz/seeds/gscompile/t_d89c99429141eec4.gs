class C {
int x;
int y, x;
};