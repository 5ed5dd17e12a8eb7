class A
{ };
