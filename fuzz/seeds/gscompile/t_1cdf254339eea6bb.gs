class C {
  int n; string s; C c; float[] fs; bool b;
  void f(int i, string t, C o) { float x; int[] a; { string u; } object p; }
};
