#pragma once
// A thin owner of one SQLite connection and its prepared statements. The
// connection is opened without SQLite's own locking (the daemon's store
// serialises every use under its lock), with full synchronous writes so a
// committed change survives a crash of the daemon.
#include <cstdint>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

class SqliteStatement {
public:
    SqliteStatement() = default;
    SqliteStatement(sqlite3* db, const char* sql);
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
    sqlite3_stmt* m_statement = nullptr;
    bool m_failed = false;
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
    SqliteStatement Prepare(const char* sql) { return SqliteStatement(m_db, sql); }
    std::string LastError() const;

private:
    sqlite3* m_db = nullptr;
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
