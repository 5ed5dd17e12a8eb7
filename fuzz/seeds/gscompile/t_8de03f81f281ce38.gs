include "MAIN.GS"
class M { };