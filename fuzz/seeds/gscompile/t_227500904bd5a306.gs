class A {};
class B isclass A {
A a = me;
};