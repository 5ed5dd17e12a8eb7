include "d.gs"
class C { };