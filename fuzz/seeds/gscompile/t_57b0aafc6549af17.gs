class A
{ };
