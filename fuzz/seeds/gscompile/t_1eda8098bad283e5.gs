class A {};
class B {
A a = me;
};