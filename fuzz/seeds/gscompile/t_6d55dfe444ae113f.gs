class C {
Foo f();
};