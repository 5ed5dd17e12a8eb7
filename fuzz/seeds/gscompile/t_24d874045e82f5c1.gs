class C {
int f(int a);
int f(int b) { return b; }
};