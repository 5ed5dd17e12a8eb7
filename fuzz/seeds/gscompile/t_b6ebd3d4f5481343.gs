include "d.gs"
class B { };