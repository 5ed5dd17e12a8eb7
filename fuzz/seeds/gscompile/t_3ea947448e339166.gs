class C {
Foo x;
};