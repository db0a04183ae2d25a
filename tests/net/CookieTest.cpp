// A members' site on the loopback, reached by its host name through a proxy (libcurl counts a
// loopback address as secure, a host name over http is not): the browser's login comes from
// each kind of cookie store, built here, and goes only where each cookie's rules allow.
#include "net/ChromiumCookies.h"
#include "net/CookieSource.h"
#include "net/PrivateCopy.h"
#include "net/ReferrerPolicy.h"
#include "tests/support/CliRun.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TempDir.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <lz4.h>
#include <mutex>
#include <openssl/evp.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    // A newer store, its expiry in milliseconds, under `folder` of the home.
    std::string Firefox(const std::string& folder = "/.mozilla/firefox") {
        const std::string base = home.Path() + folder;
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
        const std::size_t hostAt = path.find("//") + 2;
        const std::string host = path.substr(hostAt, path.find('/', hostAt) - hostAt);
        path.erase(0, path.find('/', hostAt));
        if (host.find(".co.uk") != std::string::npos)
            return TwoSites(c, host, path, cookie);
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

    // Two sites on one public suffix: a shop whose page shows pictures of its own hosts and of
    // another site, straight and through redirects.
    void TwoSites(Server::Connection& c, const std::string& host, const std::string& path,
                  std::string cookie) {
        const std::string& r = c.Request();
        const std::size_t at = r.find("\r\nReferer: ");
        const std::string referer =
            at == std::string::npos ? "" : r.substr(at + 11, r.find("\r\n", at + 2) - at - 11);
        std::vector<std::string> pairs; // in one order, whatever order they came in
        for (std::size_t from = 0; from < cookie.size();) {
            const std::size_t end = std::min(cookie.find("; ", from), cookie.size());
            pairs.push_back(cookie.substr(from, end - from));
            from = end + 2;
        }
        std::sort(pairs.begin(), pairs.end());
        cookie.clear();
        for (const std::string& p : pairs)
            cookie += (cookie.empty() ? "" : " ") + p;
        {
            const std::lock_guard<std::mutex> hold(lock);
            log.push_back(host + path + " [" + cookie + "] " + referer);
        }
        if (path == "/gallery/")
            c.Send(Server::Response("<img src=/c.jpg><img src=http://img.shop.co.uk/a.jpg>"
                                    "<img src=http://other.co.uk/b.jpg><img src=/r.jpg>"
                                    "<img src=http://img.shop.co.uk/hop.jpg>",
                                    "200 OK",
                                    "Content-Type: text/html\r\nSet-Cookie: seen=1; Path=/\r\n"));
        else if (path == "/quiet/")
            c.Send(Server::Response("<meta name=referrer content=no-referrer><img src=/q.jpg>",
                                    "200 OK", "Content-Type: text/html\r\n"));
        else if (path == "/b.jpg") // another site's own cookie goes on with its own redirect
            c.Send("HTTP/1.1 302 Found\r\nLocation: /b2.jpg\r\nSet-Cookie: own=1\r\n"
                   "Content-Length: 0\r\n\r\n");
        else if (path == "/r.jpg")
            Server::Redirect("http://other.co.uk/d.jpg")(c);
        else if (path == "/hop.jpg")
            Server::Redirect("http://www.shop.co.uk/e.jpg")(c);
        else
            c.Send(Server::Response("picture", "200 OK", "Content-Type: image/jpeg\r\n"));
    }
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
                  page + ": Cookies: " + read + ", 1 for this site")
            << "a secure one is not counted for an http page";
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

// A request made from a page carries the browser's cookies only on the page's site, and a
// Referer its policy allows, at every hop.
TEST_F(Cookies, OnlyThePagesSiteAndTheReferrerPolicy) {
    std::ofstream(home.File("cookies.txt")) << ".shop.co.uk\tTRUE\t/\tFALSE\t0\tlogin\tshop\n"
                                               ".other.co.uk\tTRUE\t/\tFALSE\t0\tlogin\tother\n"
                                               "www.shop.co.uk\tFALSE\t/\tFALSE\t0\thost\twww\n";
    const TempDir out;
    std::ofstream(out.File("pages"))
        << "http://www.shop.co.uk/gallery/\nhttp://www.shop.co.uk/quiet/\n";
    const CliRun r = RunCli({"download", "-d", out.Path(), "--flat", "--all-pictures", "--cookies",
                             home.File("cookies.txt"), "-i", out.File("pages")},
                            out.File("tk.opt"));
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string page = "http://www.shop.co.uk/gallery/", origin = "http://www.shop.co.uk/";
    std::vector<std::string> sent = Sent();
    std::sort(sent.begin(), sent.end());
    EXPECT_EQ(sent, (std::vector<std::string>{
                        "img.shop.co.uk/a.jpg [login=shop] " + origin,
                        "img.shop.co.uk/hop.jpg [login=shop] " + origin,
                        "other.co.uk/b.jpg [] " + origin,
                        "other.co.uk/b2.jpg [own=1] " + origin,
                        "other.co.uk/d.jpg [] " + origin,
                        "www.shop.co.uk/c.jpg [host=www login=shop seen=1] " + page,
                        "www.shop.co.uk/e.jpg [host=www login=shop seen=1] " + page,
                        "www.shop.co.uk/gallery/ [host=www login=shop] ",
                        "www.shop.co.uk/q.jpg [host=www login=shop] ",
                        "www.shop.co.uk/quiet/ [host=www login=shop] ",
                        "www.shop.co.uk/r.jpg [host=www login=shop seen=1] " + page,
                    }));
    EXPECT_NE(r.err.find("/gallery/: Cookies: 3 read from " + home.File("cookies.txt") +
                         ", 2 for this site"),
              std::string::npos)
        << r.err;

    using Kind = ReferrerPolicy::Kind;
    // clang-format off
    const std::tuple<Kind, std::string, std::string, std::string> policies[] = {
        {Kind::StrictOriginWhenCrossOrigin, "https://a.example/p?q#f", "https://a.example/x", "https://a.example/p?q"},
        {Kind::StrictOriginWhenCrossOrigin, "https://u:pw@a.example/p", "https://b.example/x", "https://a.example/"},
        {Kind::StrictOriginWhenCrossOrigin, "https://a.example/p", "http://a.example/x", ""},
        {Kind::StrictOrigin, "https://a.example/p", "https://a.example/x", "https://a.example/"},
        {Kind::SameOrigin, "http://a.example/p", "http://a.example:81/x", ""},
        {Kind::Origin, "https://a.example/p", "http://b.example/x", "https://a.example/"},
        {Kind::UnsafeUrl, "https://a.example/p", "http://b.example/x", "https://a.example/p"},
        {Kind::NoReferrerWhenDowngrade, "https://a.example/p", "https://b.example/x", "https://a.example/p"},
    };
    // clang-format on
    for (const auto& [kind, from, to, expected] : policies)
        EXPECT_EQ(ReferrerPolicy::RefererFor(kind, from, to), expected)
            << ReferrerPolicy::Word(kind) << " " << from << " -> " << to;
    EXPECT_EQ(ReferrerPolicy::Parse("origin, bogus, Same-Origin"),
              ReferrerPolicy::Kind::SameOrigin);
    EXPECT_EQ(ReferrerPolicy::Parse("bogus"), std::nullopt);
}

// A login asked for and not to be had is said in one line and ends the run before any request;
// a store is found where each browser keeps it, opened without blocking, and its private copy
// never outlives the run.
TEST_F(Cookies, StoresFoundRefusedAndCleanedUp) {
    const std::string page = "http://members.example/members/";
    const std::string h = home.Path();
    const std::string firefoxHomes = h + "/.config/mozilla/firefox, " + h + "/.mozilla/firefox, " +
                                     h + "/snap/firefox/common/.mozilla/firefox, " + h +
                                     "/.var/app/org.mozilla.firefox/.mozilla/firefox, " + h +
                                     "/.var/app/org.mozilla.firefox/config/mozilla/firefox";
    ::unsetenv("XDG_CONFIG_HOME");
    ::mkfifo(home.File("fifo.txt").c_str(), 0600);
    std::filesystem::create_directories(h + "/.mozilla/firefox/p/cookies.sqlite"); // a folder
    std::filesystem::create_directories(h + "/.mozilla/firefox/q");
    std::ofstream(h + "/.mozilla/firefox/q/cookies.sqlite") << std::string(4096, 'x');
    struct Case {
        std::vector<std::string> flags;
        std::function<void()> setUp;
        std::string said; // the first line on stderr
        int status;
    };
    const std::string fresh = h + "/.config/mozilla/firefox/k3y.default-release";
    // clang-format off
    const Case cases[] = {
        {{"--cookies", home.File("none.txt")}, {}, "Cookies: " + home.File("none.txt") + ": no such file", 1},
        {{"--cookies", home.File("fifo.txt")}, {}, "Cookies: " + home.File("fifo.txt") + ": not a regular file", 1},
        {{"--cookies-from-browser", "firefox:" + h + "/.mozilla/firefox/p"}, {}, "Cookies: " + h + "/.mozilla/firefox/p/cookies.sqlite: not a regular file", 1},
        {{"--cookies-from-browser", "firefox:q"}, {}, "Cookies: " + h + "/.mozilla/firefox/q/cookies.sqlite: not a cookie database (file is not a database)", 1},
        {{"--cookies-from-browser", "firefox"}, {}, "Cookies: no Firefox profile (looked in " + firefoxHomes + ")", 1},
        // A fresh Firefox keeps its profiles under the XDG config folder.
        {{"--cookies-from-browser", "firefox"}, [&] { Firefox("/.config/mozilla/firefox"); }, page + ": Cookies: 3 read from Firefox (default profile), 1 for this site", 0},
        {{"--cookies-from-browser", "firefox:" + fresh}, [&] { ::mkfifo((fresh + "/cookies.sqlite-wal").c_str(), 0600); }, "Cookies: " + fresh + "/cookies.sqlite: cookies.sqlite-wal beside it: not a regular file", 1},
        {{"--cookies-from-browser", "chromium:" + h + "/nowhere"}, {}, "Cookies: " + h + "/nowhere/Network/Cookies, " + h + "/nowhere/Cookies, " + h + "/nowhere/Default/Network/Cookies, " + h + "/nowhere/Default/Cookies: no such file", 1},
        {{"--cookies-from-browser", "chromium"}, [&] { Chromium(5); }, "Cookies: " + h + "/.config/chromium/Default/Network/Cookies: of an unknown version (5)", 1},
        // A user-data folder: the profile its Local State used last, in the older place.
        {{"--cookies-from-browser", "chromium:" + h + "/.config/chromium"}, [&] {
             Chromium(24);
             std::filesystem::create_directories(h + "/.config/chromium/Profile 1");
             std::filesystem::rename(h + "/.config/chromium/Default/Network/Cookies", h + "/.config/chromium/Profile 1/Cookies");
             std::ofstream(h + "/.config/chromium/Local State") << R"({"profile":{"last_used":"Profile 1"}})";
         }, page + ": Cookies: 3 read from Chromium (profile " + h + "/.config/chromium), 1 for this site", 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        log.clear();
        if (c.setUp)
            c.setUp();
        std::vector<std::string> args = {"links"};
        args.insert(args.end(), c.flags.begin(), c.flags.end());
        args.push_back(page);
        const CliRun r = RunCli(args, home.File("tk.opt"));
        EXPECT_EQ(r.status, c.status) << c.said;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), c.said);
        EXPECT_EQ(Sent().size(), c.status == 0 ? 1u : 0u) << "nothing is fetched: " << c.said;
        EXPECT_TRUE(std::filesystem::is_empty(runtime.Path())) << c.said;
    }
    EXPECT_EQ(*ReadFile(h + "/.mozilla/firefox/q/cookies.sqlite"), std::string(4096, 'x'))
        << "nothing written to a store";

    // v11 values need the keyring's password: without it they are counted, never sent, and the
    // login is said to have failed.
    std::filesystem::remove(h + "/.config/chromium/Local State");
    Chromium(24, "v11", "from the keyring");
    CookieSource chromiumSource{CookieSource::Kind::Chromium, "", ""};
    const CookieSource::Jar locked = chromiumSource.Read(h, 1700000000, [](auto) {
        return ChromiumCookies::Key(std::nullopt, "the keyring is locked");
    });
    EXPECT_EQ(locked.Summary(page),
              "Cookies: 0 read from Chromium (default profile), 0 for this site, 3 could not be "
              "decrypted (the keyring is locked)");
    EXPECT_TRUE(locked.Failed());
    const CookieSource::Jar open = chromiumSource.Read(h, 1700000000, [](auto browser) {
        return browser == ChromiumCookies::Browser::Chromium
                   ? std::optional<std::string>("from the keyring")
                   : std::nullopt;
    });
    ASSERT_EQ(open.cookies ? open.cookies->Size() : 0u, 3u) << open.problem;
    EXPECT_EQ(open.cookies->OfSite("members.example").front(),
              "members.example\tFALSE\t/\tFALSE\t4000000000\tsession\tgood");

    // The newest login may stand only in the journal of a store Firefox is writing; a value
    // with a line break or a control character is neither read nor sent.
    const std::string& profile = fresh;
    std::filesystem::remove(profile + "/cookies.sqlite-wal");
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open((profile + "/cookies.sqlite").c_str(), &writer), SQLITE_OK);
    sqlite3_exec(writer,
                 "PRAGMA wal_autocheckpoint = 0; INSERT INTO moz_cookies (name, value, host, "
                 "path, expiry, isSecure, isHttpOnly) VALUES ('journal', 'newest', "
                 "'members.example', '/', 0, 0, 0), ('broken', 'a' || char(10) || 'b', "
                 "'members.example', '/', 0, 0, 0), ('bell', 'a' || char(7), "
                 "'members.example', '/', 0, 0, 0);",
                 nullptr, nullptr, nullptr);
    ASSERT_GT(std::filesystem::file_size(profile + "/cookies.sqlite-wal"), 0u);
    const CookieSource::Jar newest =
        CookieSource{CookieSource::Kind::Firefox, profile, ""}.Read(h, 1700000000, {});
    sqlite3_close(writer);
    ASSERT_TRUE(newest.cookies) << newest.problem;
    const CookieLines& here = newest.cookies->OfSite("members.example");
    EXPECT_EQ(std::count_if(here.begin(), here.end(),
                            [](const std::string& l) {
                                return l.find("journal\tnewest") != std::string::npos;
                            }),
              1);
    EXPECT_EQ(newest.cookies->Size(), 4u) << "the three of the store and the journal's";
    Sql(profile + "/cookies.sqlite", "DELETE FROM moz_cookies WHERE name = 'journal';");

    // A login without "remember me" lives only in the running Firefox's session store; the
    // database's cookie of the same name, domain and path wins, a container's is left out.
    const std::string json =
        R"({"cookies":[{"host":"members.example","name":"session","value":"now","path":"/"},)"
        R"({"host":"members.example","name":"fresh","value":"login","path":"/"},)"
        R"({"host":"members.example","name":"box","value":"c","path":"/",)"
        R"("originAttributes":{"userContextId":2}}]})";
    std::string frame(12 + LZ4_compressBound(static_cast<int>(json.size())), '\0');
    frame.replace(0, 8, std::string("mozLz40\0", 8));
    for (int i = 0; i < 4; ++i)
        frame[8 + static_cast<std::size_t>(i)] = static_cast<char>(json.size() >> (8 * i));
    frame.resize(12 + static_cast<std::size_t>(LZ4_compress_default(
                          json.data(), frame.data() + 12, static_cast<int>(json.size()),
                          static_cast<int>(frame.size() - 12))));
    std::filesystem::create_directories(profile + "/sessionstore-backups");
    std::ofstream(profile + "/sessionstore-backups/recovery.jsonlz4") << frame;
    const CookieSource firefox{CookieSource::Kind::Firefox, profile, ""};
    const CookieSource::Jar joined = firefox.Read(h, 1700000000, {});
    ASSERT_TRUE(joined.cookies) << joined.problem;
    std::vector<std::string> lines = joined.cookies->OfSite("members.example");
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "#HttpOnly_.members.example\tTRUE\t/\tTRUE\t4000000000\tsecret\ts",
                         "#HttpOnly_members.example\tFALSE\t/\tFALSE\t4000000000\tsession\tgood",
                         "members.example\tFALSE\t/\tFALSE\t0\tfresh\tlogin"}));
    std::ofstream(profile + "/sessionstore-backups/recovery.jsonlz4") << "mozLz40";
    EXPECT_EQ(firefox.Read(h, 1700000000, {}).Summary(page),
              "Cookies: 3 read from Firefox (profile " + profile +
                  "), 1 for this site; the session store sessionstore-backups/recovery.jsonlz4 "
                  "could not be read (damaged)");

    // The copies of runs that are gone go at the next start; a run ended by SIGTERM takes its
    // own with it.
    const std::string stale = runtime.Path() + "/tarvik-cookies-999999999-AbCdEf";
    std::filesystem::create_directories(stale);
    std::ofstream(stale + "/cookies.sqlite") << "values in the clear";
    EXPECT_EQ(PrivateCopy::RemoveStale(runtime.Path()), 1);
#if !defined(__SANITIZE_THREAD__) // a fork beside the server's threads is beyond its reach
    const pid_t child = ::fork();
    if (child == 0) {
        PrivateCopy::CleanUp();
        PrivateCopy copy;
        std::string why;
        copy.Make(h + "/.config/chromium/Default/Network/Cookies", {}, why);
        ::kill(::getpid(), SIGTERM);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_TRUE(std::filesystem::is_empty(runtime.Path()));
#endif
}
