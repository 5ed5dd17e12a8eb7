include "lib2.gs"
class L1 { public int v; };
class Unused { };
