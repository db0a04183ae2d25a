// tarvik-cli download against servers that misbehave: every case ends in a final state with the
// file on disk as it should be, and nothing is written outside the save directory.
#include "tests/support/CliRun.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TempDir.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;
using Server = LoopbackServer;
using Handler = Server::Handler;

std::string Head(const std::string& extra = "") {
    return "HTTP/1.0 200 OK\r\n" + extra + "\r\n";
}

CliRun Download(std::vector<std::string> args, const TempDir& dir) {
    args.insert(args.begin(), "download");
    return RunCli(args, dir.File("tk.opt"));
}

// Keeps a download's writes under `limit` bytes, as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        ::getrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit r = saved;
        r.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &r);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &saved); }

private:
    rlimit saved{};
};

using Prepare = std::function<void(const fs::path& save, const fs::path& subdirectory)>;

struct FaultCase {
    const char* what;
    std::string link; // on the page; a path is served by the case's handler
    Handler serve;
    const char* status;
    uint64_t bytes;                  // someBytes: as many as the file holds
    std::optional<std::string> file; // what the local file holds afterwards; nothing: no file
    Prepare prepare = nullptr;
    std::string saveDirectory = {}; // another than the test's own
    rlim_t fileSizeLimit = RLIM_INFINITY;
};

const std::string body(3000, 'b');
const std::optional<std::string> none;
constexpr uint64_t someBytes = UINT64_MAX;
const std::string chunkedHead = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n";
const Handler hugeHead = Server::Serve([] {
    std::string h = "HTTP/1.0 200 OK\r\n";
    for (int i = 0; i < 2000; ++i)
        h += "X-Filler-" + std::to_string(i) + ": " + std::string(90, 'h') + "\r\n";
    return h + "Content-Length: 2\r\n\r\nok";
}());
const Prepare subdirectoryLink = [](const fs::path& save, const fs::path& sub) {
    fs::create_directory(save / "elsewhere");
    fs::create_directory_symlink(save / "elsewhere", sub);
};
const Prepare fileLink = [](const fs::path& save, const fs::path& sub) {
    fs::create_directory(sub);
    std::ofstream(save / "target") << "keep";
    fs::create_symlink(save / "target", sub / "f.jpg");
};
const Prepare oldFile = [](const fs::path&, const fs::path& sub) {
    fs::create_directory(sub);
    std::ofstream(sub / "f.jpg") << "old";
};

const FaultCase faults[] = {
    {"complete", "/f.jpg", Server::Answer(body), "Complete", 3000, body},
    {"Content-Length 0", "/f.jpg", Server::Answer(""), "Complete", 0, ""},
    {"404", "/f.jpg", Server::Answer("gone", "404 Not Found"), "Error", 0, none},
    {"500", "/f.jpg", Server::Answer("oops", "500 Server Error"), "Error", 0, none},
    {"206", "/f.jpg", Server::Answer("part", "206 Partial Content"), "Error", 0, none},
    {"short body", "/f.jpg", Server::Serve(Head("Content-Length: 100\r\n") + "0123"), "Error", 4,
     "0123"},
    {"no length, ends at the close", "/f.jpg", Server::Serve(Head() + body), "Complete", 3000,
     body},
    {"chunked", "/f.jpg",
     Server::Serve(chunkedHead + "Connection: close\r\n\r\n5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n"),
     "Complete", 11, "hello world"},
    {"chunked, cut short", "/f.jpg", Server::Serve(chunkedHead + "\r\n5\r\nhello\r\n9\r\nwor"),
     "Error", 8, "hellowor"},
    {"stall mid-body", "/f.jpg", Server::ThenStall(Head("Content-Length: 100\r\n") + "0123"),
     "Error", 4, "0123"},
    {"slow drip within the limit", "/f.jpg", Server::Drip(Head(), 4, 1500, 300), "Complete", 6000,
     std::string(6000, 'd')},
    {"drip below 1024 bytes a window", "/f.jpg", Server::Drip(Head(), 40, 1, 100), "Error",
     someBytes, none},
    {"redirect keeps the name", "/f.jpg", Server::Redirect("/there/x.gif"), "Complete", 3000, body},
    {"redirect loop", "/loop.jpg", nullptr, "Error", 0, none},
    {"redirect to ftp", "/f.jpg", Server::Redirect("ftp://127.0.0.1/x"), "Error", 0, none},
    {"redirect to a local file", "/f.jpg", Server::Redirect("file:///etc/hostname"), "Error", 0,
     none},
    {"garbage status line", "/f.jpg", Server::Serve("HELLO THERE\r\n\r\nxx"), "Error", 0, none},
    {"200 KB of headers", "/f.jpg", hugeHead, "Complete", 2, "ok"},
    {"empty answer", "/f.jpg", Server::Serve(""), "Error", 0, none},
    {"refused connection", "http://127.0.0.1:1/f.jpg", nullptr, "Error", 0, none},
    {"unknown host", "http://no-such-host.invalid/f.jpg", nullptr, "Error", 0, none},
    {"name beginning with ..", "/..x.jpg", nullptr, "Disk Error", 0, none},
    {"hidden name", "/.bashrc.jpg", nullptr, "Disk Error", 0, none},
    {"control byte in the name", "/a\x01.jpg", nullptr, "Disk Error", 0, none},
    {"server named ..", "http://../x.jpg", nullptr, "Disk Error", 0, none},
    {"subdirectory is a link", "/f.jpg", Server::Answer(body), "Disk Error", 0, none,
     subdirectoryLink},
    {"file is a link", "/f.jpg", Server::Answer(body), "Disk Error", 0, none, fileLink},
    {"failed answer keeps the old file", "/f.jpg", Server::Answer("", "404 No"), "Error", 0, "old",
     oldFile},
    {"full disk",
     "/f.jpg",
     Server::Answer(body),
     "Disk Error",
     1000,
     std::string(1000, 'b'),
     {},
     {},
     1000},
    {"read-only save directory",
     "/f.jpg",
     Server::Answer(body),
     "Disk Error",
     0,
     none,
     {},
     "/proc"}};

} // namespace

TEST(Download, EveryFaultEndsInAFinalStateWithTheFileAsExpected) {
    for (const FaultCase& c : faults) {
        SCOPED_TRACE(c.what);
        Server server(
            LoopbackServer::Routes({{"/index.htm", Server::Answer("<img src='" + c.link + "'>")},
                                    {"/f.jpg", c.serve},
                                    {"/loop.jpg", Server::Redirect("/loop.jpg")},
                                    {"/there/x.gif", Server::Answer(body)}}));
        TempDir dir;
        const fs::path save = c.saveDirectory.empty() ? dir.File("save") : c.saveDirectory;
        fs::create_directories(dir.File("save"));
        // An absolute link names its own server, and so its own subdirectory.
        const bool absolute = c.link.rfind("http://", 0) == 0;
        const fs::path sub =
            save / (absolute ? c.link.substr(7, c.link.find('/', 7) - 7) : server.Address(""));
        if (c.prepare)
            c.prepare(save, sub);
        CliRun r;
        {
            FileSizeLimit limit(c.fileSizeLimit);
            r = Download({"--timeout", "1", "--dir", save.string(), server.Address("/index.htm")},
                         dir);
        }
        const std::string name = fs::path(c.link).filename();
        const std::optional<std::string> file = ReadFile(sub / name);
        const uint64_t bytes = c.bytes == someBytes ? file.value_or("").size() : c.bytes;
        EXPECT_EQ(r.out,
                  c.status + ("\t" + std::to_string(bytes)) + "\t" + (sub / name).string() + "\n");
        EXPECT_EQ(r.status, std::string(c.status) == "Complete" ? 0 : 1);
        EXPECT_EQ(file, c.bytes == someBytes ? std::string(bytes, 'd') : c.file);
        EXPECT_FALSE(fs::exists(save.parent_path() / name)) << "written outside the save directory";
        if (!c.serve && std::string(c.status) == "Disk Error") {
            EXPECT_EQ(server.Requests().size(), 1u)
                << "nothing is asked for a file it cannot write";
        }
    }
}

TEST(Download, SixteenWorkersAndOneWriterPerFile) {
    // 40 distinct files and two links that both end in same.jpg: with --flat they share a local
    // path, so the second may start only once the first has ended.
    std::atomic<int> active{0}, most{0}, sameActive{0}, sameMost{0};
    auto slow = [&](std::atomic<int>& now, std::atomic<int>& top, std::string text) {
        return [&, text](Server::Connection& c) {
            const int n = ++now;
            for (int seen = top.load(); n > seen && !top.compare_exchange_weak(seen, n);) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
            --now;
            c.Send(Server::Response(text));
        };
    };
    std::string page;
    std::map<std::string, Handler> routes;
    for (int i = 0; i < 40; ++i) {
        const std::string path = "/d/" + std::to_string(i) + ".jpg";
        page += "<img src='" + path + "'>";
        routes[path] = slow(active, most, "file " + std::to_string(i));
    }
    page += "<img src='/a/same.jpg'><img src='/b/same.jpg'>";
    routes["/a/same.jpg"] = slow(sameActive, sameMost, "first");
    routes["/b/same.jpg"] = slow(sameActive, sameMost, "second");
    routes["/index.htm"] = Server::Answer(page);
    Server server(Server::Routes(std::move(routes)));
    TempDir dir;

    const CliRun r = Download(
        {"--threads", "16", "--flat", "--dir", dir.Path(), server.Address("/index.htm")}, dir);
    EXPECT_EQ(r.status, 0) << r.out;
    std::istringstream lines(r.out);
    int complete = 0;
    for (std::string line; std::getline(lines, line);)
        complete += line.rfind("Complete\t", 0) == 0;
    EXPECT_EQ(complete, 42);
    EXPECT_GT(most.load(), 4);
    EXPECT_LE(most.load(), 16);
    EXPECT_EQ(sameMost.load(), 1);
    EXPECT_EQ(ReadFile(dir.File("17.jpg")), "file 17");
}
