class C {
  void f(int i) {
    i = 1;
    if (i)
      i = 2;
    i = i +
        3;
  }
};
