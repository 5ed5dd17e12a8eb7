class M {
int x = Lib.N * 2;
int y = Lib.Twice(3);
float z = Lib.F;
};