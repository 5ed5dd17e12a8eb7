class C {
int y;
define int X = y;
};