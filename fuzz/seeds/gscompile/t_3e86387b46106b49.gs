class A {
class B { };
};