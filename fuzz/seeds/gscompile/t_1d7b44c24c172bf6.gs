include "leaf.gs"
include "gone.gs"
class Mid { };