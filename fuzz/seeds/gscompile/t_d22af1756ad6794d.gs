class A {};
class C {
A f() {
return me;
}
};