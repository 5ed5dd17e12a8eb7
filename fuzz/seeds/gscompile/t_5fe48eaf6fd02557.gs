include "b.gs"
include "c.gs"
class M { };