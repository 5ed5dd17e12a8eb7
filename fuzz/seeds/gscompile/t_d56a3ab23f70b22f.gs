class C {
public define int X = 1;
};