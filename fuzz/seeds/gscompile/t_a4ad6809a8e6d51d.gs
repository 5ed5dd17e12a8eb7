class C {
  void f(int i) {
    switch (i) {
 case 1: i = 2;
 break;
 case 1: break; default: break; }
  }
};