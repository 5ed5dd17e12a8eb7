class A { int G() { return 2; } };
class D isclass A { string G() { return ""; } };
