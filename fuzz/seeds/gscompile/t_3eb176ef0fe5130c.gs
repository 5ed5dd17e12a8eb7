class A { };
