// A members' site on the loopback, reached by its host name through a proxy (libcurl counts a
// loopback address as secure, a host name over http is not): the browser's login comes from
// each kind of cookie store, built here, and goes only where each cookie's rules allow.
#include "net/ChromiumCookies.h"
#include "net/CookieSource.h"
#include "tests/support/CliRun.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <openssl/evp.h>
#include <sqlite3.h>

namespace {

using Server = LoopbackServer;

// The cookies every store holds: the session (the login), a secure one, one of another domain,
// one expired in 2017, and one a browser keeps for a container or another site's frame.
struct Stored {
    std::string host, name, value;
    bool secure;
    int64_t expiry; // seconds; 1 is long past
    bool partitioned;
};
const Stored stored[] = {{"members.example", "session", "good", false, 4000000000, false},
                         {".members.example", "secret", "s", true, 4000000000, false},
                         {".other.example", "other", "o", false, 4000000000, false},
                         {"members.example", "old", "x", false, 1500000000, false},
                         {"members.example", "contained", "c", false, 4000000000, true}};

void Sql(const std::string& file, const std::string& statements) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, statements.c_str(), nullptr, nullptr, &error), SQLITE_OK)
        << (error != nullptr ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

std::string Hex(const std::string& bytes) {
    std::string hex = "X'";
    for (const unsigned char c : bytes)
        hex += {"0123456789ABCDEF"[c >> 4], "0123456789ABCDEF"[c & 15]};
    return hex + "'";
}

// A value as the browser encrypts it on Linux: "v10" or "v11", AES-128-CBC under a key made
// from `password`, 32 bytes of hash first in a store of version 24.
std::string Encrypted(const std::string& prefix, const std::string& password,
                      const std::string& value) {
    const std::string key = ChromiumCookies::KeyOf(password);
    const std::string plain = std::string(32, 'h') + value;
    const std::string iv(16, ' ');
    std::string out(plain.size() + 16, '\0');
    int n = 0, last = 0;
    EVP_CIPHER_CTX* c = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(c, EVP_aes_128_cbc(), nullptr,
                       reinterpret_cast<const unsigned char*>(key.data()),
                       reinterpret_cast<const unsigned char*>(iv.data()));
    EVP_EncryptUpdate(c, reinterpret_cast<unsigned char*>(out.data()), &n,
                      reinterpret_cast<const unsigned char*>(plain.data()),
                      static_cast<int>(plain.size()));
    EVP_EncryptFinal_ex(c, reinterpret_cast<unsigned char*>(out.data()) + n, &last);
    EVP_CIPHER_CTX_free(c);
    return prefix + out.substr(0, static_cast<std::size_t>(n + last));
}

class Cookies : public ::testing::Test {
protected:
    Cookies() {
        for (const char* name : {"HOME", "http_proxy", "no_proxy", "NO_PROXY", "XDG_RUNTIME_DIR"})
            if (const char* value = std::getenv(name))
                saved.emplace_back(name, value);
        ::setenv("HOME", home.Path().c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
        ::setenv("http_proxy", ("http://" + server.Address("")).c_str(), 1);
        ::unsetenv("no_proxy");
        ::unsetenv("NO_PROXY");
    }
    ~Cookies() override {
        for (const char* name : {"HOME", "http_proxy", "no_proxy", "NO_PROXY", "XDG_RUNTIME_DIR"})
            ::unsetenv(name);
        for (const auto& [name, value] : saved)
            ::setenv(name.c_str(), value.c_str(), 1);
    }
    std::string Firefox() { // a newer store: its expiry in milliseconds
        const std::string base = home.Path() + "/.mozilla/firefox";
        std::filesystem::create_directories(base + "/k3y.default-release");
        std::ofstream(base + "/profiles.ini")
            << "[Profile0]\nName=default\nIsRelative=1\nPath=old.default\n";
        std::ofstream(base + "/installs.ini")
            << "[4F96D1932A9F858E]\nDefault=k3y.default-release\n";
        const std::string file = base + "/k3y.default-release/cookies.sqlite";
        std::string sql =
            "PRAGMA journal_mode = WAL; CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, "
            "originAttributes TEXT "
            "NOT NULL DEFAULT '', name TEXT, value TEXT, host TEXT, path TEXT, expiry "
            "INTEGER, isSecure INTEGER, isHttpOnly INTEGER); PRAGMA user_version = 12;";
        for (const Stored& s : stored)
            sql += "INSERT INTO moz_cookies (originAttributes, name, value, host, path, expiry, "
                   "isSecure, isHttpOnly) VALUES ('" +
                   std::string(s.partitioned ? "^userContextId=2" : "") + "', '" + s.name + "', '" +
                   s.value + "', '" + s.host + "', '/', " + std::to_string(s.expiry * 1000) + ", " +
                   std::to_string(s.secure) + ", 1);";
        Sql(file, sql);
        return file;
    }
    std::string Chromium(int version, const std::string& prefix = "v10",
                         const std::string& password = "peanuts") {
        const std::string folder = home.Path() + "/.config/chromium/Default/Network";
        std::filesystem::create_directories(folder);
        const std::string file = folder + "/Cookies";
        std::filesystem::remove(file);
        std::string sql = "CREATE TABLE meta (key TEXT, value TEXT); INSERT INTO meta VALUES "
                          "('version', '" +
                          std::to_string(version) +
                          "'); CREATE TABLE cookies "
                          "(host_key TEXT, name TEXT, value TEXT, encrypted_value BLOB, path TEXT, "
                          "expires_utc INTEGER, is_secure INTEGER, is_httponly INTEGER, "
                          "top_frame_site_key TEXT);";
        for (const Stored& s : stored)
            sql += "INSERT INTO cookies VALUES ('" + s.host + "', '" + s.name + "', '', " +
                   Hex(Encrypted(prefix, password, s.value)) + ", '/', " +
                   std::to_string((s.expiry + 11644473600) * 1000000) + ", " +
                   std::to_string(s.secure) + ", 0, '" +
                   (s.partitioned ? "https://frame.example" : "") + "');";
        Sql(file, sql);
        return file;
    }
    // What the site was sent: one line a request, its path and its Cookie header.
    std::vector<std::string> Sent() {
        const std::lock_guard<std::mutex> hold(lock);
        return log;
    }

    TempDir home;
    TempDir runtime; // where the private copies of the stores are made
    std::mutex lock;
    std::vector<std::string> log;
    Server server{[this](Server::Connection& c) {
        const std::string& r = c.Request();
        const std::size_t at = r.find("\r\nCookie: ");
        const std::string cookie =
            at == std::string::npos ? "" : r.substr(at + 10, r.find("\r\n", at + 2) - at - 10);
        std::string path = c.Path();
        path.erase(0, path.find('/', path.find("//") + 2));
        {
            const std::lock_guard<std::mutex> hold(this->lock);
            log.push_back(path + " " + cookie);
        }
        const bool in = cookie.find("session=good") != std::string::npos;
        if (in && path == "/members/photo.jpg")
            c.Send(Server::Response("members' photo", "200 OK", "Content-Type: image/jpeg\r\n"));
        else if (in) // what the page's answer sets joins the page's cookies, and no other's
            c.Send(Server::Response("<img src=photo.jpg>", "200 OK",
                                    "Content-Type: text/html\r\nSet-Cookie: seen=1; Path=/\r\n"));
        else
            c.Send(Server::Response("<title>Sign in</title><img src=photo.jpg>"));
    }};
    std::vector<std::pair<std::string, std::string>> saved;
};

} // namespace

TEST_F(Cookies, EachStoreLogsInAndSendsOnlyWhereItMay) {
    const std::string page = "http://members.example/members/";
    std::ofstream(home.File("cookies.txt"))
        << "# Netscape HTTP Cookie File\nmembers.example\tFALSE\t/\tFALSE\t0\tsession\tgood\n"
           "#HttpOnly_.members.example\tTRUE\t/\tTRUE\t4000000000.5\tsecret\ts\n"
           ".other.example\tTRUE\t/\tFALSE\t4000000000\tother\to\n"
           "members.example\tFALSE\t/\tFALSE\t1500000000\told\tx\nnot a cookie line\n";
    std::ofstream(home.File("pages")) << page << "\n" << page << "?2\n";
    Firefox();
    const std::string chromium = Chromium(24);
    const std::pair<std::vector<std::string>, std::string> sources[] = {
        {{"--cookies", home.File("cookies.txt")}, "3 read from " + home.File("cookies.txt")},
        {{"--cookies-from-browser", "firefox"}, "3 read from Firefox (default profile)"},
        {{"--cookies-from-browser", "chromium:Default"}, "3 read from Chromium (profile Default)"}};
    for (const auto& [flags, read] : sources) {
        log.clear();
        TempDir out;
        std::vector<std::string> args = {"download", "-d", out.Path(), "--flat"};
        args.insert(args.end(), flags.begin(), flags.end());
        args.insert(args.end(), {"-i", home.File("pages")});
        const CliRun r = RunCli(args, out.File("tk.opt"));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')),
                  page + ": Cookies: " + read + ", 2 for this site")
            << "the secure one counts, it is only not sent over http";
        EXPECT_EQ(ReadFile(out.File("photo.jpg")), "members' photo") << read;
        std::vector<std::string> sent = Sent();
        std::sort(sent.begin(), sent.end());
        EXPECT_EQ(sent,
                  (std::vector<std::string>{"/members/ session=good", "/members/?2 session=good",
                                            "/members/photo.jpg session=good; seen=1"}))
            << read;
    }
    EXPECT_TRUE(std::filesystem::is_empty(runtime.Path())) << "its private copy is gone";

    // No source: no cookie at all, and the picture's login page is no picture.
    log.clear();
    const TempDir out;
    const CliRun none =
        RunCli({"download", "--modern", "-d", out.Path(), "--flat", page}, home.File("tk.opt"));
    EXPECT_EQ(FirstFields(none.out, 4),
              "Error\t0\t" + out.File("photo.jpg") + "\tgot a web page\n");
    EXPECT_FALSE(std::filesystem::exists(out.File("photo.jpg")));
    EXPECT_EQ(Sent(), (std::vector<std::string>{"/members/ ", "/members/photo.jpg "}));
}

// A store that cannot be read says so in one line, and the page is fetched without cookies.
TEST_F(Cookies, StoresThatCannotBeReadAndTheKeyring) {
    const std::string page = "http://members.example/members/";
    const std::string chromium = Chromium(5);
    const std::string base = home.Path() + "/.mozilla/firefox/p";
    std::filesystem::create_directories(base + "/cookies.sqlite"); // no file to copy
    std::filesystem::create_directories(home.Path() + "/.mozilla/firefox/q");
    std::ofstream(home.Path() + "/.mozilla/firefox/q/cookies.sqlite") << std::string(4096, 'x');
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--cookies", home.File("none.txt")}, home.File("none.txt") + ": no such file"},
        {{"--cookies-from-browser", "chromium"}, chromium + ": of an unknown version (5)"},
        {{"--cookies-from-browser", "firefox:" + base},
         base + "/cookies.sqlite: could not be read: not a regular file"},
        {{"--cookies-from-browser", "firefox:q"},
         home.Path() +
             "/.mozilla/firefox/q/cookies.sqlite: not a cookie database (file is not a database)"}};
    const std::string damaged = home.Path() + "/.mozilla/firefox/q/cookies.sqlite";
    for (const auto& [flags, why] : cases) {
        log.clear();
        std::vector<std::string> args = {"links"};
        args.insert(args.end(), flags.begin(), flags.end());
        args.push_back(page);
        const CliRun r = RunCli(args, home.File("tk.opt"));
        EXPECT_EQ(r.status, 0) << why;
        EXPECT_EQ(r.err, page + ": Cookies: " + why + "\n");
        EXPECT_EQ(Sent(), std::vector<std::string>{"/members/ "}) << why;
        EXPECT_EQ(FirstFields(r.out, 5),
                  "photo.jpg\tJPEG\t/members/photo.jpg\tmembers.example\tHTTP\n")
            << why;
    }
    EXPECT_EQ(*ReadFile(damaged), std::string(4096, 'x')) << "nothing written to a store";

    // v11 values need the keyring's password: without it they are counted, never sent.
    Chromium(24, "v11", "from the keyring");
    CookieSource chromiumSource{CookieSource::Kind::Chromium, "", ""};
    const CookieSource::Jar locked = chromiumSource.Read(
        home.Path(), 1700000000, [](auto) { return std::optional<std::string>(); });
    EXPECT_EQ(locked.Summary("members.example"),
              "Cookies: 0 read from Chromium (default profile), 0 for this site, 3 could not be "
              "decrypted");
    const CookieSource::Jar open = chromiumSource.Read(home.Path(), 1700000000, [](auto browser) {
        return browser == ChromiumCookies::Browser::Chromium
                   ? std::optional<std::string>("from the keyring")
                   : std::nullopt;
    });
    ASSERT_EQ(open.lines ? open.lines->size() : 0u, 3u) << open.problem;
    EXPECT_EQ(open.lines->front(), "members.example\tFALSE\t/\tFALSE\t4000000000\tsession\tgood");
}
