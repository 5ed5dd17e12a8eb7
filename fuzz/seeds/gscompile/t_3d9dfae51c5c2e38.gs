class C {
define int X;
};