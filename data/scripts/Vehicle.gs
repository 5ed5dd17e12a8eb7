//
// Vehicle.gs: the base of the scripts of rolling stock.
//
include "Trackside.gs"

class Vehicle isclass Trackside
{
};
