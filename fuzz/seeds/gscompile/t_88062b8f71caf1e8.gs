class C {
  void f(int i) { again: i = 1; goto again; }
  void g(int i) { goto again; i = 2; again: i = 1; }
};
