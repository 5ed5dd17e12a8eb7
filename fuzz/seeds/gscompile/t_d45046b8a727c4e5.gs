static class A {};
final class B {};
game class D {};