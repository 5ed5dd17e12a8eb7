class A {
  void f(int i) {
    switch (i) { case 1: break; case 1: break; default: break; }
  }
};
