game class G {};
class C {
void f() {
new G();
}
};