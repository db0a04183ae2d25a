// tarvik-cli download against servers that misbehave: every case ends in a final state with the
// file on disk as it should be, and nothing is written outside the save directory.
#include "cli/CliCommand.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TempDir.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;
using Handler = LoopbackServer::Handler;
using Connection = LoopbackServer::Connection;

std::string Head(const std::string& extra = "") {
    return "HTTP/1.0 200 OK\r\n" + extra + "\r\n";
}
Handler Raw(std::string bytes) {
    return LoopbackServer::Serve(std::move(bytes));
}
Handler Answer(std::string body, const char* status = "200 OK", std::string headers = "") {
    return Raw(LoopbackServer::Response(body, status, headers));
}
Handler ThenStall(std::string bytes) {
    return [bytes](Connection& c) {
        c.Send(bytes);
        c.Stall();
    };
}
// `pieces` pieces of `size` bytes, `gapMs` apart, after a head without a length.
Handler Drip(int pieces, std::size_t size, int gapMs) {
    return [=](Connection& c) {
        c.Send(Head());
        for (int i = 0; i < pieces && c.Send(std::string(size, 'd')); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
    };
}
Handler Redirect(const std::string& location) {
    return Answer("moved", "302 Found", "Location: " + location + "\r\n");
}

std::optional<std::string> ReadFile(const fs::path& p) {
    if (fs::is_symlink(p) || !fs::is_regular_file(p))
        return std::nullopt;
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct CliResult {
    int status;
    std::string out;
};

CliResult Download(std::vector<std::string> args, const TempDir& dir) {
    std::ostringstream out, err;
    args.insert(args.begin(), "download");
    const int status = CliCommand::Run(args, out, err, dir.File("tk.opt"));
    return {status, out.str()};
}

struct FaultCase {
    const char* what;
    std::string link; // on the page; a leading '/' is served by the case's handler
    Handler serve;
    const char* status;
    uint64_t bytes;
    std::optional<std::string> file; // what the local file holds afterwards; nothing: no file
    // Run before the download with the save directory and the per-server subdirectory's path.
    std::function<void(const fs::path&, const fs::path&)> prepare = {};
    std::string saveDirectory = {}; // another save directory than the test's own
    rlim_t fileSizeLimit = RLIM_INFINITY;
};

class Fault : public ::testing::TestWithParam<FaultCase> {};

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

const std::string body(3000, 'b');
constexpr uint64_t someBytes = UINT64_MAX; // timing decides how many

} // namespace

TEST_P(Fault, EndsInAFinalStateWithTheFileAsExpected) {
    const FaultCase& c = GetParam();
    LoopbackServer server(LoopbackServer::Routes(
        {{"/index.htm", Answer("<img src='" + c.link + "'>")}, {"/f.jpg", c.serve},
         {"/loop.jpg", Redirect("/loop.jpg")}, {"/there/x.gif", Answer(body)}}));
    TempDir dir;
    const fs::path save =
        c.saveDirectory.empty() ? fs::path(dir.Path()) / "save" : fs::path(c.saveDirectory);
    fs::create_directories(dir.Path() + "/save");
    const fs::path subdirectory = save / server.Address("");
    if (c.prepare)
        c.prepare(save, subdirectory);

    const std::string name = fs::path(c.link).filename();
    CliResult r;
    {
        FileSizeLimit limit(c.fileSizeLimit);
        r = Download({"--timeout", "1", "--dir", save.string(), server.Address("/index.htm")}, dir);
    }
    // An absolute link names its own server, and so its own subdirectory.
    const bool absolute = c.link.rfind("http://", 0) == 0;
    const std::string localPath =
        absolute ? (save / c.link.substr(7, c.link.find('/', 7) - 7) / name).string()
                 : (subdirectory / name).string();
    const std::optional<std::string> file = ReadFile(localPath);
    const std::string bytes = c.bytes == someBytes && file ? std::to_string(file->size())
                                                           : std::to_string(c.bytes);
    EXPECT_EQ(r.out, std::string(c.status) + "\t" + bytes + "\t" + localPath + "\n");
    EXPECT_EQ(r.status, std::string(c.status) == "Complete" ? 0 : 1);
    if (c.bytes == someBytes)
        EXPECT_EQ(file, std::string(file.value_or("").size(), 'd'));
    else
        EXPECT_EQ(file, c.file);
    EXPECT_FALSE(fs::exists(save.parent_path() / name)) << "written outside the save directory";
    if (!c.serve && std::string(c.status) == "Disk Error")
        EXPECT_EQ(server.Requests().size(), 1u) << "nothing is asked for a file it cannot write";
}

INSTANTIATE_TEST_SUITE_P(
    Download, Fault,
    ::testing::Values(
        FaultCase{"complete", "/f.jpg", Answer(body), "Complete", 3000, body},
        FaultCase{"empty with Content-Length 0", "/f.jpg", Answer(""), "Complete", 0, ""},
        FaultCase{"404", "/f.jpg", Answer("gone", "404 Not Found"), "Error", 0, std::nullopt},
        FaultCase{"500", "/f.jpg", Answer("oops", "500 Server Error"), "Error", 0, std::nullopt},
        FaultCase{"206", "/f.jpg", Answer("part", "206 Partial Content"), "Error", 0,
                  std::nullopt},
        FaultCase{"shorter than its length", "/f.jpg",
                  Raw(Head("Content-Length: 100\r\n") + std::string(40, 's')), "Error", 40,
                  std::string(40, 's')},
        FaultCase{"no length, ends at the close", "/f.jpg", Raw(Head() + body), "Complete", 3000,
                  body},
        FaultCase{"chunked", "/f.jpg",
                  Raw("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                      "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n"),
                  "Complete", 11, "hello world"},
        FaultCase{"chunked, cut short", "/f.jpg",
                  Raw("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n9\r\nwor"),
                  "Error", 8, "hellowor"},
        FaultCase{"stall mid-body", "/f.jpg",
                  ThenStall(Head("Content-Length: 100\r\n") + "0123456789"), "Error", 10,
                  "0123456789"},
        FaultCase{"slow drip within the limit", "/f.jpg", Drip(4, 1500, 300), "Complete", 6000,
                  std::string(6000, 'd')},
        FaultCase{"drip below 1024 bytes a window", "/f.jpg", Drip(40, 1, 100), "Error",
                  someBytes, {}},
        FaultCase{"redirect keeps the local name", "/f.jpg", Redirect("/there/x.gif"),
                  "Complete", 3000, body},
        FaultCase{"redirect loop", "/loop.jpg", {}, "Error", 0, std::nullopt},
        FaultCase{"redirect to ftp", "/f.jpg", Redirect("ftp://127.0.0.1/x"), "Error", 0,
                  std::nullopt},
        FaultCase{"redirect to a local file", "/f.jpg", Redirect("file:///etc/hostname"),
                  "Error", 0, std::nullopt},
        FaultCase{"garbage status line", "/f.jpg", Raw("HELLO THERE\r\n\r\nxx"), "Error", 0,
                  std::nullopt},
        FaultCase{"200 KB of headers", "/f.jpg", Raw([] {
                      std::string h = "HTTP/1.0 200 OK\r\n";
                      for (int i = 0; i < 2000; ++i)
                          h += "X-Filler-" + std::to_string(i) + ": " + std::string(90, 'h') +
                               "\r\n";
                      return h + "Content-Length: 2\r\n\r\nok";
                  }()),
                  "Complete", 2, "ok"},
        FaultCase{"empty answer", "/f.jpg", Raw(""), "Error", 0, std::nullopt},
        FaultCase{"refused connection", "http://127.0.0.1:1/f.jpg", {}, "Error", 0, std::nullopt},
        FaultCase{"unknown host", "http://no-such-host.invalid/f.jpg", {}, "Error", 0,
                  std::nullopt},
        FaultCase{"name beginning with two dots", "/..x.jpg", {}, "Disk Error", 0, std::nullopt},
        FaultCase{"hidden name", "/.bashrc.jpg", {}, "Disk Error", 0, std::nullopt},
        FaultCase{"control byte in the name", "/a\x01.jpg", {}, "Disk Error", 0, std::nullopt},
        FaultCase{"server named ..", "http://../x.jpg", {}, "Disk Error", 0, std::nullopt},
        FaultCase{"subdirectory is a symbolic link", "/f.jpg", Answer(body), "Disk Error", 0,
                  std::nullopt,
                  [](const fs::path& save, const fs::path& sub) {
                      fs::create_directory(save / "elsewhere");
                      fs::create_directory_symlink(save / "elsewhere", sub);
                  }},
        FaultCase{"file is a symbolic link", "/f.jpg", Answer(body), "Disk Error", 0,
                  std::nullopt,
                  [](const fs::path& save, const fs::path& sub) {
                      fs::create_directory(sub);
                      std::ofstream(save / "target") << "keep";
                      fs::create_symlink(save / "target", sub / "f.jpg");
                  }},
        FaultCase{"a failed answer keeps the old file", "/f.jpg", Answer("", "404 Not Found"),
                  "Error", 0, "old",
                  [](const fs::path&, const fs::path& sub) {
                      fs::create_directory(sub);
                      std::ofstream(sub / "f.jpg") << "old";
                  }},
        FaultCase{"full disk", "/f.jpg", Answer(body), "Disk Error", 1000,
                  std::string(1000, 'b'), {}, {}, 1000},
        FaultCase{"read-only save directory", "/f.jpg", Answer(body), "Disk Error", 0,
                  std::nullopt, {}, "/proc"}),
    [](const ::testing::TestParamInfo<FaultCase>& info) {
        std::string name;
        for (const char* p = info.param.what; *p != '\0'; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

TEST(Download, SixteenWorkersAndOneWriterPerFile) {
    // 40 distinct files and two links that both end in same.jpg: with --flat they share a local
    // path, so the second may start only once the first has ended.
    std::atomic<int> active{0}, most{0}, sameActive{0}, sameMost{0};
    auto slow = [&](std::atomic<int>& now, std::atomic<int>& top, std::string text) {
        return [&, text](Connection& c) {
            const int n = ++now;
            for (int seen = top.load(); n > seen && !top.compare_exchange_weak(seen, n);) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
            --now;
            c.Send(LoopbackServer::Response(text));
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
    routes["/index.htm"] = Answer(page);
    LoopbackServer server(LoopbackServer::Routes(std::move(routes)));
    TempDir dir;

    const CliResult r = Download({"--threads", "16", "--flat", "--dir", dir.Path(),
                                  server.Address("/index.htm")},
                                 dir);
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
