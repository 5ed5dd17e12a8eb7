class Lib {
int x;
int x;
};