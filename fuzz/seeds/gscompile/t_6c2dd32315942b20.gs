.gs"
class M { };