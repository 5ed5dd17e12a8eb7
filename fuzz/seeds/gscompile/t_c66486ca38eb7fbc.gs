class C {
void f();
public void f() {}
};