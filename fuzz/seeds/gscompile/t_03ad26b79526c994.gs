class Base { public int k; int F() { return k + 1; } };
class Item isclass Base { string label = "x"; int F() { return 2; } };
