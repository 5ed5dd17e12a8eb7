include "main.gs"
class B { };