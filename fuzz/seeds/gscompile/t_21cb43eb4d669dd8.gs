final class A {};
class B isclass A {};