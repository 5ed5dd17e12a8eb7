class L2 { public int Value() { return 7; } };
