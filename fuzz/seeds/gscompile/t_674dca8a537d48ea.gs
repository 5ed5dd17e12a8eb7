class A isclass
B {};