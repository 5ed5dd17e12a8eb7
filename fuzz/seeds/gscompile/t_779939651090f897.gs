include "b.gs"
class M { };