#pragma once
// A browser's cookie database, read with SQLite from its private copy: the statements the
// readers run and the rows they step through.

#include <cstdint>
#include <functional>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

class CookieDatabase {
public:
    CookieDatabase() = default;
    ~CookieDatabase();
    CookieDatabase(const CookieDatabase&) = delete;
    CookieDatabase& operator=(const CookieDatabase&) = delete;

    // Opens the copy at `path`; false with `why` when it is no database.
    bool Open(const std::string& path, std::string& why);
    // Runs `sql`, handing each row to `row`; false with `why` when the statement fails (a
    // table or a column missing: a store of another shape).
    bool Each(const std::string& sql, const std::function<void(sqlite3_stmt*)>& row,
              std::string& why);
    // True when `table` has `column`.
    bool HasColumn(const std::string& table, const std::string& column);

    static std::string Text(sqlite3_stmt* row, int column);
    static int64_t Number(sqlite3_stmt* row, int column);

private:
    sqlite3* db = nullptr;
};
