include "d.gs"
include "D.gs"
class M { };