class C {
int x = inherited();
};