class C {
public int x;
void f() {
string x;
me.x = 1;
}
};