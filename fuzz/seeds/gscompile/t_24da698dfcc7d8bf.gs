class A
{
};
