class C {
thread int f() { return 1; }
};