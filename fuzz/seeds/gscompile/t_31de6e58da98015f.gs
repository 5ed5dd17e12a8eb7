class A {
 int # x;
};