// station.gs - a GameScript example that includes another file.
//
// The announcer asks the timetable (timetable.gs, compiled once as a
// library of its own) for the next departure and words the answer.
//
// Compile it with:  VorlexUtil compile station.gs

include "timetable.gs"

class Announcer {
    string station = "Oakfield";

    public void SetStation(string name) {
        station = name;
    }

    public string Announce(int now) {
        int next = Timetable.NextAfter(now);
        switch (next) {
            case -1:
                return "No more departures from " + station + " today.";
            default:
                break;
        }
        return "Next departure from " + station + " at " + Timetable.Format(next) + ".";
    }
};
