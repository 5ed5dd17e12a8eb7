static class Lib {
public define int N = 4;
public define float F = N / 8.0;
public int Twice(int a) {
return nope + "x";
}
};