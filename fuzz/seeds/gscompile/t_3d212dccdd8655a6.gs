include "LIB1.gs"
class Main isclass L2 {
  L1 one;
  int Use() { return Value() + one.v; }
  public int Value() { return inherited() + 1; }
};
