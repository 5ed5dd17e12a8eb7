class C {
  void f(int i) {
    goto nowhere;
  }
};