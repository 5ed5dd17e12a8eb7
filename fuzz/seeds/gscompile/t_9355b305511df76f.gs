static class S { public int k; };
class C {
