include "lib.gs"
include "Other.GS"
class M { };