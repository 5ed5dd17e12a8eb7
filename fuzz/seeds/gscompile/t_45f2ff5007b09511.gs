class Damaged { int x; };
