class A { public define int N = 3; };
class B {
int x = A.N;
};