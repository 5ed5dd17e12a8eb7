include "mid.gs"
class M { };