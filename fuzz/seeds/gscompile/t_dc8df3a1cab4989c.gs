static class Clock { public int now; public native int Ticks(); };
game class Base {
  public int Value(int k) { return k; }
  thread void Run() { }
};
game class Derived isclass Base {
  public int Value(int k) { return inherited(k) + Clock.now + Clock.Ticks(); }
  void Start() { Run(); me.Run(); }
};
