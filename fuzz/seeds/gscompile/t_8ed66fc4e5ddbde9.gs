class T {
    public int n = 2;
    int Get() { return n; }
};
