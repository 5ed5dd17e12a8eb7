class A {
  int x
};
