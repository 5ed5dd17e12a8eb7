#include "vaddaemon/SettingsSalvage.h"

#include <limits>
#include <set>

#include "foundation/streams/BufferStream.h"
#include "vaddaemon/DaemonSettings.h"
#include "vaddaemon/SqliteConnection.h"

namespace {

constexpr int64_t kLowestRowId = std::numeric_limits<int64_t>::min();
constexpr int64_t kHighestRowId = std::numeric_limits<int64_t>::max();

bool ReadsAsSoup(const std::vector<uint8_t>& bytes) {
    TBuffer stream;
    stream.Write(bytes.data(), static_cast<int32_t>(bytes.size()));
    stream.Rewind();
    std::vector<uint8_t> again;
    return DaemonSettings::NormaliseSoup(stream, again);
}

enum class Next { kRow, kEnd, kFailed };

// The first row id from `from` on; kFailed when the pages on the way do not
// read. (A search for a row id reads the page where that id would lie, so
// the rows are asked for from an id on, never after one.)
Next NextRowId(SqliteConnection& db, int64_t from, int64_t& rowId) {
    SqliteStatement select = db.Prepare("SELECT rowid FROM settings WHERE rowid>=?1 ORDER BY rowid LIMIT 1");
    select.Bind(1, from);
    if (select.Step()) {
        rowId = select.Int(0);
        return Next::kRow;
    }
    return select.Failed() ? Next::kFailed : Next::kEnd;
}

}  // namespace

SettingsSalvage SalvageSettings(const std::string& osPath) {
    SettingsSalvage salvage;
    SqliteConnection db;
    std::string error;
    if (!db.Open(osPath, error, SqliteConnection::kExisting)) {
        salvage.unreadable = !error.empty();
        return salvage;
    }
    // Read only; a file cut short is still read as far as it goes (SQLite
    // refuses one shorter than its header says unless its schema is
    // writable, which query-only never lets it use).
    if (!db.Exec("PRAGMA query_only=1") || !db.Exec("PRAGMA writable_schema=1")) {
        salvage.unreadable = true;
        return salvage;
    }
    bool readSome = false;
    // The names the table's index lists, as far as it reads.
    std::set<std::string> listed;
    {
        SqliteStatement names = db.PrepareOnce("SELECT name FROM settings ORDER BY name");
        while (names.Step()) listed.insert(names.Text(0));
        readSome = names.IsValid() && !names.Failed();
    }
    const bool everyName = readSome;
    bool rowsSkipped = false;
    std::set<std::string> lostNames;
    int lostUnnamed = 0;
    std::set<std::string> kept;
    int64_t from = kLowestRowId;
    for (bool more = true; more;) {
        SqliteStatement row =
            db.Prepare("SELECT rowid, name, soup FROM settings WHERE rowid>=?1 ORDER BY rowid LIMIT 1");
        if (!row.IsValid()) break;
        row.Bind(1, from);
        if (row.Step()) {
            readSome = true;
            const int64_t rowId = row.Int(0);
            std::string name = row.Text(1);
            std::vector<uint8_t> soup = row.Blob(2);
            if (ReadsAsSoup(soup) && kept.insert(name).second)
                salvage.rows.emplace_back(std::move(name), std::move(soup));
            else
                lostNames.insert(std::move(name));
            more = rowId < kHighestRowId;
            from = rowId + 1;
            continue;
        }
        if (!row.Failed()) {
            readSome = true;
            break;
        }
        rowsSkipped = true;
        // The next row does not read whole: when its id does, it alone is
        // lost; else its page is stepped over, in ever larger strides, to
        // the next row id that reads.
        int64_t rowId = 0;
        Next next = NextRowId(db, from, rowId);
        if (next == Next::kRow) {
            SqliteStatement name = db.Prepare("SELECT name FROM settings WHERE rowid=?1");
            name.Bind(1, rowId);
            if (name.Step())
                lostNames.insert(name.Text(0));
            else
                ++lostUnnamed;
            more = rowId < kHighestRowId;
            from = rowId + 1;
            continue;
        }
        for (int64_t stride = 1; next == Next::kFailed && from <= kHighestRowId - stride; stride *= 2) {
            next = NextRowId(db, from + stride, rowId);
            if (stride > kHighestRowId / 2) break;
        }
        more = next == Next::kRow;
        from = rowId;
    }
    for (const std::string& name : listed)
        if (!kept.count(name)) lostNames.insert(name);
    salvage.lost = static_cast<int>(lostNames.size()) + lostUnnamed;
    // With every name listed, every row that did not read is counted.
    salvage.incomplete = rowsSkipped && !everyName;
    salvage.unreadable = !readSome;
    return salvage;
}
