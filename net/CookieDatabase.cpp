#include "net/CookieDatabase.h"

#include <sqlite3.h>

CookieDatabase::~CookieDatabase() {
    if (db != nullptr)
        sqlite3_close(db);
}

bool CookieDatabase::Open(const std::string& path, std::string& why) {
    // The copy is this program's own: opened for writing, so that SQLite may take in the
    // journal copied beside it.
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        why = "not a cookie database";
        return false;
    }
    sqlite3_busy_timeout(db, 1000);
    return Each(
        "SELECT count(*) FROM sqlite_master", [](sqlite3_stmt*) {}, why);
}

bool CookieDatabase::Each(const std::string& sql, const std::function<void(sqlite3_stmt*)>& row,
                          std::string& why) {
    sqlite3_stmt* statement = nullptr;
    if (db == nullptr ||
        sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        why = db == nullptr ? "not a cookie database"
                            : "not a cookie database (" + std::string(sqlite3_errmsg(db)) + ")";
        return false;
    }
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW)
        row(statement);
    sqlite3_finalize(statement);
    if (step != SQLITE_DONE) {
        why = "damaged (" + std::string(sqlite3_errstr(step)) + ")";
        return false;
    }
    return true;
}

bool CookieDatabase::HasColumn(const std::string& table, const std::string& column) {
    bool found = false;
    std::string why;
    Each(
        "PRAGMA table_info(" + table + ")",
        [&](sqlite3_stmt* row) { found = found || Text(row, 1) == column; }, why);
    return found;
}

std::string CookieDatabase::Text(sqlite3_stmt* row, int column) {
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(row, column));
    const int size = sqlite3_column_bytes(row, column);
    return bytes == nullptr ? std::string() : std::string(bytes, static_cast<std::size_t>(size));
}

int64_t CookieDatabase::Number(sqlite3_stmt* row, int column) {
    return sqlite3_column_int64(row, column);
}
