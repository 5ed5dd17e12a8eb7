class C { void f() {
a = b
+
c
;
} };