#pragma once
// A thin owner of one SQLite connection and its prepared statements. The
// connection is opened without SQLite's own locking: one thread uses it at
// a time (the writer under the library's lock, a reader while leased).
// Statements made by Prepare are kept after use and handed out again for
// the same text, so the store's fixed queries are compiled once per
// connection; PrepareOnce is for texts that are built per request.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

class SqliteConnection;

class SqliteStatement {
public:
    SqliteStatement() = default;
    SqliteStatement(sqlite3* db, const char* sql);
    // A statement from the connection's cache (or null), given back on
    // destruction.
    SqliteStatement(SqliteConnection* owner, const std::string& key, sqlite3_stmt* statement);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;

    // False when the statement did not prepare.
    bool IsValid() const { return m_statement != nullptr; }

    // Parameters count from 1, as in SQLite.
    SqliteStatement& Bind(int index, int64_t value);
    SqliteStatement& Bind(int index, double value);
    SqliteStatement& Bind(int index, const std::string& text);
    SqliteStatement& BindBlob(int index, const std::vector<uint8_t>& bytes);

    // True while a row is available; false at the end or on an error
    // (Failed tells them apart).
    bool Step();
    // Runs the statement to its end; true when it finished without error.
    bool Run();
    bool Failed() const { return m_failed; }

    // Columns count from 0.
    int64_t Int(int column) const;
    double Real(int column) const;
    std::string Text(int column) const;
    std::vector<uint8_t> Blob(int column) const;

private:
    void Release();

    sqlite3_stmt* m_statement = nullptr;
    bool m_failed = false;
    // Set for a cached statement: where it goes back to.
    SqliteConnection* m_owner = nullptr;
    std::string m_key;
};

class SqliteConnection {
public:
    SqliteConnection() = default;
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // Opens or creates the database file at an OS path. False with `error`
    // when it cannot be opened; a file that is not a database is detected at
    // the first statement, which fails.
    bool Open(const std::string& osPath, std::string& error);
    bool IsOpen() const { return m_db != nullptr; }
    void Close();

    // Runs one or more statements without results.
    bool Exec(const char* sql);
    // A statement of fixed text, compiled at its first use and reused.
    SqliteStatement Prepare(const char* sql);
    // A statement compiled for this use only.
    SqliteStatement PrepareOnce(const std::string& sql) { return SqliteStatement(m_db, sql.c_str()); }
    std::string LastError() const;
    sqlite3* Handle() const { return m_db; }

private:
    friend class SqliteStatement;
    // Takes a used statement back (reset, bindings cleared).
    void GiveBack(const std::string& key, sqlite3_stmt* statement);

    sqlite3* m_db = nullptr;
    // Idle compiled statements by their text.
    std::multimap<std::string, sqlite3_stmt*> m_idle;
};

// A read transaction for the statements of one request: they see one state
// of the file and take the file's locks once, not once a statement.
class SqliteReadTransaction {
public:
    // BEGIN and COMMIT are kept compiled, like the store's queries.
    explicit SqliteReadTransaction(SqliteConnection& connection)
        : m_connection(connection), m_began(connection.Prepare("BEGIN").Run()) {}
    ~SqliteReadTransaction() {
        if (m_began) m_connection.Prepare("COMMIT").Run();
    }
    SqliteReadTransaction(const SqliteReadTransaction&) = delete;
    SqliteReadTransaction& operator=(const SqliteReadTransaction&) = delete;

private:
    SqliteConnection& m_connection;
    bool m_began;
};

// Begins a transaction and rolls it back unless Commit was called.
class SqliteTransaction {
public:
    explicit SqliteTransaction(SqliteConnection& connection);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    bool Began() const { return m_began; }
    bool Commit();

private:
    SqliteConnection& m_connection;
    bool m_began = false;
    bool m_done = false;
};
