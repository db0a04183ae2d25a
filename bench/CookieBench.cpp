// What the browser's login costs a page: reading a Firefox store of 5 or of 100,000 cookies
// (copied, read with SQLite, indexed by site), counting this page's and handing a request its
// site's, as each Get URL does.

#include "net/CookieSource.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <sqlite3.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A Firefox profile folder under a fresh temporary home, holding `count` cookies over
// count / 5 sites; written by a child process, so that what writing it took is not counted.
std::string MakeStore(int64_t count) {
    char pattern[] = "/tmp/tarvik-bench-XXXXXX";
    const std::string home = ::mkdtemp(pattern);
    const pid_t child = ::fork();
    if (child != 0) {
        ::waitpid(child, nullptr, 0);
        return home;
    }
    const std::string folder = home + "/profile";
    std::filesystem::create_directories(folder);
    sqlite3* db = nullptr;
    sqlite3_open((folder + "/cookies.sqlite").c_str(), &db);
    sqlite3_exec(db,
                 "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, originAttributes TEXT NOT "
                 "NULL DEFAULT '', name TEXT, value TEXT, host TEXT, path TEXT, expiry INTEGER, "
                 "isSecure INTEGER, isHttpOnly INTEGER); BEGIN;",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO moz_cookies (name, value, host, path, expiry, isSecure, "
                       "isHttpOnly) VALUES (?, 'a-value-of-forty-bytes-or-so-0123456789', ?, "
                       "'/', 4000000000000, 0, 1)",
                       -1, &insert, nullptr);
    for (int64_t i = 0; i < count; ++i) {
        const std::string name = "c" + std::to_string(i % 5);
        const std::string host = ".site" + std::to_string(i / 5) + ".example";
        sqlite3_bind_text(insert, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, host.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    ::_exit(0);
}

void ReadForAPage(benchmark::State& state) {
    const std::string home = MakeStore(state.range(0));
    const CookieSource source{CookieSource::Kind::Firefox, home + "/profile", ""};
    std::size_t handed = 0;
    struct rusage before {};
    ::getrusage(RUSAGE_SELF, &before);
    state.counters["beforeMB"] = static_cast<double>(before.ru_maxrss) / 1024;
    for (auto _ : state) {
        const CookieSource::Jar jar = source.Read(home, 1700000000, {});
        const std::string summary = jar.Summary("http://www.site0.example/gallery/");
        handed = jar.cookies ? jar.cookies->OfSite("site0.example").size() : 0;
        benchmark::DoNotOptimize(summary.data());
    }
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    state.counters["handed"] = static_cast<double>(handed);
    state.counters["peakMB"] = static_cast<double>(usage.ru_maxrss) / 1024;
    std::filesystem::remove_all(home);
}

} // namespace

// A fixed count, so that one run shows the peak that reading the store adds.
BENCHMARK(ReadForAPage)
    ->Arg(5)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK_MAIN();
