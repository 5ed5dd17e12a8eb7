class A {};
class C {
A f() {
return null;
}
};