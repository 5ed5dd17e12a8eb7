class A
{
};
