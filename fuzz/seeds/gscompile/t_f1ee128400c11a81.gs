class A {
 int class;
};