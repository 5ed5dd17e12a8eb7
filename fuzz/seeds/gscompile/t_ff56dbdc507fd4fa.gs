game class G {
  public final int Count(int a, string s) { return a; }
  native void Tick(float f);
  thread void Run() { }
};
static final secured class Empty { };
