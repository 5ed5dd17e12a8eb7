// timetable.gs - a small GameScript example.
//
// A static class keeps departure times, in minutes after midnight, and
// answers questions about them. Being static, it has exactly one instance,
// which other scripts reach through the class name (see station.gs).
//
// Compile it with:  VorlexUtil compile timetable.gs

static class Timetable {
    public define int MinutesPerDay = 1440;
    public define int Capacity = 16;

    public int[] departures;
    public int count;

    public void Reset(void) {
        departures = new int[Capacity];
        count = 0;
    }

    // Adds a departure; false when the time is not within a day or the
    // table is full.
    public bool Add(int minutes) {
        if (minutes < 0 or minutes >= MinutesPerDay) return false;
        if (departures == null or count >= departures.size()) return false;
        departures[count] = minutes;
        count++;
        return true;
    }

    // The first departure after the given time, or -1 when there is none.
    public int NextAfter(int minutes) {
        int i;
        int best = -1;
        for (i = 0; i < count; i++) {
            if (departures[i] > minutes and (best < 0 or departures[i] < best))
                best = departures[i];
        }
        return best;
    }

    // "hh:mm" for a time in minutes.
    public string Format(int minutes) {
        int hours = minutes / 60;
        int rest = minutes % 60;
        string text = "";
        if (hours < 10) text = "0";
        text = text + hours + ":";
        if (rest < 10) text = text + "0";
        return text + rest;
    }
};
