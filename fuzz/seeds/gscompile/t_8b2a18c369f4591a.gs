include "gs.gs"

class Main isclass GameObject
{
