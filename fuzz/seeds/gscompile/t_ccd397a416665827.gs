class C {
static int x;
};