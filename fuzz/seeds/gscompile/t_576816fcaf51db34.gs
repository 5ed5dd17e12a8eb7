class C {
  void TrimLeft(string s, string t) { }
  native int Count(void);
  Train[] Find(Train t, int[] n);
};
