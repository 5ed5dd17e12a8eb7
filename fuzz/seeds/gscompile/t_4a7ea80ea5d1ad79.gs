class A {};
class B {
Foo f;
A a = f;
};