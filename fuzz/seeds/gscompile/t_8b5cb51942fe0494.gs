class C {
native thread void f();
};