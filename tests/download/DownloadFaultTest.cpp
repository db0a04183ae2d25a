// tarvik-cli download against servers that misbehave: every case ends in a final state with the
// file on disk as it should be, and nothing is written outside the save directory.
#include "download/FileOrigin.h"
#include "download/PartFile.h"
#include "tests/support/CliRun.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/ResumableFile.h"
#include "tests/support/TempDir.h"

#include <csignal>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <thread>

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
    Handler serve = nullptr;
    const char* status = "Error";
    uint64_t bytes = 0;
    std::optional<std::string> file = std::nullopt; // the local file afterwards; none: no file
    const char* cause = "";                         // what the modern rules say of a failure
    Prepare prepare = nullptr;
    std::string saveDirectory = {}; // another than the test's own
    rlim_t fileSizeLimit = RLIM_INFINITY;
    bool landsBeside = false; // the modern rules complete it as "f (2).jpg"
    bool classicOnly = false; // the modern harvest names the link safely, or drops it
    bool swapsPart = false;   // another file is moved over the part as it downloads (modern)
};

const std::string body(3000, 'b');
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
const Prepare fifo = [](const fs::path&, const fs::path& sub) {
    fs::create_directory(sub);
    ::mkfifo((sub / "f.jpg").c_str(), 0644);
};
// Another file moved over the part's name half-way through its body.
fs::path swapIn;
const Prepare swapFolder = [](const fs::path&, const fs::path& sub) { swapIn = sub; };
const Handler swapsPart = [](Server::Connection& c) {
    c.Send(Head("Content-Length: 3000\r\n") + body.substr(0, 1000));
    for (int i = 0; i < 200; ++i) {
        std::error_code none;
        for (const auto& f : fs::directory_iterator(swapIn, none))
            if (f.path().extension() == ".part") {
                std::ofstream(swapIn / "theirs") << "theirs";
                fs::rename(swapIn / "theirs", f.path());
                c.Send(body.substr(1000));
                return;
            }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
};
const Prepare oldFile = [](const fs::path&, const fs::path& sub) {
    fs::create_directory(sub);
    std::ofstream(sub / "f.jpg") << "old";
};

// clang-format off
const FaultCase faults[] = {
    {.what = "complete", .link = "/f.jpg", .serve = Server::Answer(body), .status = "Complete", .bytes = 3000, .file = body},
    {.what = "header lines ended by a bare line feed", .link = "/f.jpg", .serve = Server::Serve("HTTP/1.0 200 OK\nContent-Length: 4\n\nabcd"), .status = "Complete", .bytes = 4, .file = "abcd"},
    {.what = "Content-Length 0", .link = "/f.jpg", .serve = Server::Answer(""), .status = "Complete", .file = ""},
    {.what = "404", .link = "/f.jpg", .serve = Server::Answer("gone", "404 Not Found"), .cause = "HTTP 404"},
    {.what = "206 to a plain request", .link = "/f.jpg", .serve = Server::Answer("part", "206 Partial Content"), .cause = "bad range"},
    {.what = "short body", .link = "/f.jpg", .serve = Server::Serve(Head("Content-Length: 100\r\n") + "0123"), .bytes = 4, .file = "0123", .cause = "cut short"},
    {.what = "no length, ends at the close", .link = "/f.jpg", .serve = Server::Serve(Head() + body), .status = "Complete", .bytes = 3000, .file = body},
    {.what = "chunked", .link = "/f.jpg", .serve = Server::Serve(chunkedHead + "Connection: close\r\n\r\n5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n"), .status = "Complete", .bytes = 11, .file = "hello world"},
    {.what = "chunked, cut short", .link = "/f.jpg", .serve = Server::Serve(chunkedHead + "\r\n5\r\nhello\r\n9\r\nwor"), .bytes = 8, .file = "hellowor", .cause = "cut short"},
    {.what = "stall mid-body", .link = "/f.jpg", .serve = Server::ThenStall(Head("Content-Length: 100\r\n") + "0123"), .bytes = 4, .file = "0123", .cause = "timed out"},
    {.what = "slow drip within the limit", .link = "/f.jpg", .serve = Server::Drip(Head(), 4, 1500, 300), .status = "Complete", .bytes = 6000, .file = std::string(6000, 'd')},
    {.what = "redirect keeps the name", .link = "/f.jpg", .serve = Server::Redirect("/there/x.gif"), .status = "Complete", .bytes = 3000, .file = body},
    {.what = "redirect loop", .link = "/loop.jpg", .cause = "redirect loop"},
    {.what = "redirect to a local file", .link = "/f.jpg", .serve = Server::Redirect("file:///etc/hostname"), .cause = "unsupported address"},
    {.what = "garbage status line", .link = "/f.jpg", .serve = Server::Serve("HELLO THERE\r\n\r\nxx"), .cause = "bad answer"},
    {.what = "body longer than its Content-Length", .link = "/f.jpg", .serve = Server::Serve(Head("Content-Length: 4\r\n") + "0123456789"), .bytes = 4, .file = "0123", .cause = "longer than announced"},
    {.what = "Content-Length that is no number", .link = "/f.jpg", .serve = Server::Serve(Head("Content-Length: abc\r\n") + body), .status = "Complete", .bytes = 3000, .file = body},
    {.what = "'#' in a classic path", .link = "/b#2.jpg", .status = "Complete", .bytes = 3000, .file = body, .classicOnly = true},
    {.what = "200 KB of headers", .link = "/f.jpg", .serve = hugeHead, .status = "Complete", .bytes = 2, .file = "ok"},
    {.what = "empty answer", .link = "/f.jpg", .serve = Server::Serve(""), .cause = "empty answer"},
    {.what = "refused connection", .link = "http://127.0.0.1:1/f.jpg", .cause = "refused"},
    {.what = "unknown host", .link = "http://no-such-host.invalid/f.jpg", .cause = "no such server"},
    {.what = "hidden name", .link = "/.bashrc.jpg", .status = "Disk Error", .classicOnly = true},
    {.what = "control byte in the name", .link = "/a\x01.jpg", .status = "Disk Error", .classicOnly = true},
    {.what = "server named ..", .link = "http://../x.jpg", .status = "Disk Error", .cause = "unsafe name"},
    {.what = "subdirectory is a link", .link = "/f.jpg", .serve = Server::Answer(body), .status = "Disk Error", .cause = "cannot write", .prepare = subdirectoryLink},
    {.what = "a FIFO where the file goes", .link = "/f.jpg", .status = "Disk Error", .prepare = fifo, .classicOnly = true},
    {.what = "file is a link", .link = "/f.jpg", .serve = Server::Answer(body), .status = "Disk Error", .prepare = fileLink, .landsBeside = true},
    {.what = "failed answer keeps the old file", .link = "/f.jpg", .serve = Server::Answer("", "404 No"), .file = "old", .cause = "HTTP 404", .prepare = oldFile},
    {.what = "full disk", .link = "/f.jpg", .serve = Server::Answer(body), .status = "Disk Error", .bytes = 1000, .file = std::string(1000, 'b'), .cause = "disk full", .fileSizeLimit = 1000},
    {.what = "a part swapped while it downloads", .link = "/f.jpg", .serve = swapsPart, .bytes = 3000, .cause = "the part was replaced", .prepare = swapFolder, .swapsPart = true},
    {.what = "read-only save directory", .link = "/f.jpg", .serve = Server::Answer(body), .status = "Disk Error", .cause = "cannot write", .saveDirectory = "/proc"},
};
// clang-format on

} // namespace

// Under the modern rules the same faults end in the same states, but the body goes to a ".part"
// that is renamed only when complete, the line names the cause, and a file is never replaced.
TEST(Download, EveryFaultEndsInAFinalStateWithTheFileAsExpected) {
    for (const bool modern : {false, true}) {
        for (const FaultCase& c : faults) {
            if ((modern && c.classicOnly) || (!modern && c.swapsPart))
                continue;
            SCOPED_TRACE(std::string(c.what) + (modern ? ", modern" : ""));
            Server server(
                Server::Routes({{"/index.htm", Server::Answer("<img src='" + c.link + "'>")},
                                {"/f.jpg", c.serve},
                                {"/loop.jpg", Server::Redirect("/loop.jpg")},
                                {"/b%232.jpg", Server::Answer(body)},
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
                r = Download({modern ? "--modern" : "--classic", "--timeout", "1", "--dir",
                              save.string(), server.Address("/index.htm")},
                             dir);
            }
            const bool beside = modern && c.landsBeside;
            const std::string status = beside ? "Complete" : c.status;
            const bool complete = status == "Complete";
            const std::string name = fs::path(c.link).filename();
            const fs::path local = sub / (beside ? "f (2).jpg" : name);
            const std::string cause = modern ? c.cause : "";
            EXPECT_EQ(FirstFields(r.out, 4), status + "\t" +
                                                 std::to_string(beside ? 3000 : c.bytes) + "\t" +
                                                 local.string() + "\t" + cause + "\n");
            EXPECT_EQ(r.status, complete ? 0 : 1);
            // Under the modern rules a failure with no version to resume against leaves nothing,
            // and nothing but the file stands beside a finished one.
            const bool partial = modern && !complete;
            EXPECT_EQ(ReadFile(local), beside                   ? body
                                       : partial && c.bytes > 0 ? std::nullopt
                                                                : c.file);
            if (modern) {
                EXPECT_EQ(ReadFile(PartOf(sub, name)),
                          c.swapsPart ? std::optional<std::string>("theirs") : std::nullopt)
                    << "a file Tarvik did not write is neither published nor removed";
                std::error_code none;
                for (const auto& f : fs::directory_iterator(sub, none))
                    EXPECT_NE(f.path().filename().string()[0], '.') << f.path();
            }
            EXPECT_FALSE(fs::exists(save.parent_path() / name))
                << "written outside the save directory";
            if (!c.serve && status == "Disk Error") {
                EXPECT_EQ(server.Requests().size(), 1u)
                    << "nothing is asked for a file it cannot write";
            }
        }
    }
}

TEST(Download, SixteenWorkersAndOneWriterPerFile) {
    // 40 distinct files and two links that both end in same.jpg: with --flat they share a local
    // path, so the second may start only once the first has ended.
    std::string page = "<img src='/a/same.jpg'><img src='/b/same.jpg'>";
    for (int i = 0; i < 40; ++i)
        page += "<img src='/d/" + std::to_string(i) + ".jpg'>";
    std::atomic<int> active{0}, most{0}, sameActive{0}, sameMost{0};
    Server server([&](Server::Connection& c) {
        const std::string path = c.Path();
        if (path == "/index.htm")
            return static_cast<void>(c.Send(Server::Response(page)));
        const bool same = path.find("same") != std::string::npos;
        std::atomic<int>& now = same ? sameActive : active;
        std::atomic<int>& top = same ? sameMost : most;
        const int n = ++now;
        for (int seen = top.load(); n > seen && !top.compare_exchange_weak(seen, n);) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        --now;
        c.Send(Server::Response("file " + path));
    });
    TempDir dir;
    const CliRun r = Download(
        {"--threads", "16", "--flat", "--dir", dir.Path(), server.Address("/index.htm")}, dir);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(SortedLines(r.out).size(), 42u);
    EXPECT_TRUE(most > 4 && most <= 16) << most;
    EXPECT_EQ(sameMost.load(), 1);
    EXPECT_EQ(ReadFile(dir.File("17.jpg")), "file /d/17.jpg");
}

namespace {

// A file of 10,000 bytes at /f.jpg whose first answer breaks off after 3,000 bytes, with the
// validators, range support and changes of `file`, and what the run must end with.
struct ResumeCase {
    const char* what;
    ResumableFile file;
    bool usersFile = false;   // f.jpg is there before the download
    bool foreignPart = false; // a file not Tarvik's under the part's name
    std::size_t leftOver = 0; // a part of this many bytes of the first version left by a run
    bool hardLinked = false;  // ... then replaced by a hard link to a file elsewhere
    bool olderRecord = false; // ... under a record of the older layout
    bool emptyRecord = false; // a record left empty by a run killed before its first answer
    const char* status = "Complete";
    const char* cause = "";
    std::size_t requests = 2;           // of the file, after its waits
    const char* resume = "bytes=3000-"; // the Range of the second request; "" none
    const char* firstRange = "";        // the Range of the first
    double atLeast = 0;                 // seconds the run takes at least: waits are waited in full
};

constexpr auto Rest = &ResumableFile::HeaderOf;

} // namespace

// No sequence of breaks, waits, versions and runs leaves a file under its final name that is not
// byte-identical to one version of its address.
TEST(Download, ModernRulesResumeWaitAndNeverMixOrOverwrite) {
    std::string first(10000, 'a'), second(10000, 'z');
    for (std::size_t i = 0; i < first.size(); i += 7)
        first[i] = static_cast<char>('b' + i % 20);
    const std::string wait429 = "HTTP/1.1 429 Slow down\r\nRetry-After: 1\r\n";
    // clang-format off
    const ResumableFile v1{.body = first};
    auto with = [&](auto change) {
        ResumableFile f = v1;
        change(f);
        return f;
    };
    const ResumeCase cases[] = {
        {.what = "ranges honoured", .file = v1},
        {.what = "ranges ignored", .file = with([](auto& f) { f.ranges = false; })},
        {.what = "changed between the break and the resume", .file = with([&](auto& f) { f.second = second; })},
        {.what = "206 of another version: started again", .file = with([&](auto& f) { f.second = second, f.ignoresIfRange = true; }), .requests = 3},
        {.what = "416 shorter than the known total: started again", .file = with([](auto& f) { f.short416 = true; }), .requests = 3},
        {.what = "weak ETag", .file = with([](auto& f) { f.validators = "ETag: W/\"v1\"\r\n"; }), .resume = ""},
        {.what = "Last-Modified only", .file = with([](auto& f) { f.validators = "Last-Modified: " + HttpDate(-99) + "\r\n"; })},
        {.what = "206 from elsewhere", .file = with([](auto& f) { f.shift = 500; }), .requests = 3},
        {.what = "stall then resume", .file = with([](auto& f) { f.stall = true; })},
        {.what = "429 with seconds", .file = with([&](auto& f) { f.waits = 1, f.wait = wait429; }), .atLeast = 1.0},
        {.what = "503 with a date", .file = with([](auto& f) { f.waits = 1, f.wait = "HTTP/1.1 503 Busy\r\nRetry-After: " + HttpDate(1) + "\r\n"; })},
        {.what = "always 429", .file = with([](auto& f) { f.waits = 99, f.wait = "HTTP/1.1 429 No\r\nRetry-After: 0\r\n"; }), .status = "Error", .cause = "HTTP 429", .requests = 1},
        {.what = "the user's file of that name", .file = v1, .usersFile = true},
        {.what = "a part not Tarvik's", .file = v1, .foreignPart = true},
        {.what = "break then 500", .file = with([](auto& f) { f.then500 = true; }), .status = "Error", .cause = "HTTP 500"},
        {.what = "a whole part left: 416", .file = with([](auto& f) { f.cuts = 0; }), .leftOver = 10000, .requests = 1, .firstRange = "bytes=10000-"},
        {.what = "an empty record a killed run left", .file = v1, .emptyRecord = true},
        {.what = "a part that is a hard link: fetched whole", .file = with([](auto& f) { f.cuts = 0; }), .leftOver = 5000, .hardLinked = true, .requests = 1},
        {.what = "a part of an older record: fetched whole", .file = with([](auto& f) { f.cuts = 0; }), .leftOver = 5000, .olderRecord = true, .requests = 1},
        {.what = "416 after an answer without a length: started again", .file = with([](auto& f) { f.chunked = true, f.short416 = true; }), .requests = 3},
        {.what = "206 of the whole file to a plain request", .file = with([](auto& f) { f.always206 = true, f.cuts = 0; }), .requests = 1},
        {.what = "a part left, 206 from before its end", .file = with([](auto& f) { f.cuts = 0, f.shift = -1000; }), .leftOver = 5000, .requests = 1, .firstRange = "bytes=5000-"},
    };
    // clang-format on
    for (const ResumeCase& c : cases) {
        SCOPED_TRACE(c.what);
        Server server(Server::Routes(
            {{"/index.htm", Server::Answer("<img src=/f.jpg>")}, {"/f.jpg", c.file.Handler()}}));
        TempDir dir;
        const std::string address = "http://" + server.Address("/f.jpg");
        if (c.usersFile)
            std::ofstream(dir.File("f.jpg")) << "mine";
        if (c.foreignPart)
            std::ofstream(dir.File(PartFile::PartName("f.jpg", address))) << "theirs";
        TempDir elsewhere;
        const std::string part = dir.File(PartFile::PartName("f.jpg", address));
        if (c.leftOver > 0) {
            ASSERT_TRUE(LeavePart(dir.Path(), "f.jpg", address, "\"v1\"", first, c.leftOver));
        }
        if (c.hardLinked) {
            std::ofstream(elsewhere.File("other")) << "other";
            std::filesystem::remove(part);
            std::filesystem::create_hard_link(elsewhere.File("other"), part);
        }
        if (c.emptyRecord)
            std::ofstream(dir.File(PartFile::RecordName(PartFile::PartName("f.jpg", address))));
        if (c.olderRecord) // what an earlier version of Tarvik wrote beside its part
            std::ofstream(dir.File(PartFile::RecordName(PartFile::PartName("f.jpg", address))))
                << "tarvik part 1\n"
                << address << "\n\"v1\"\n10000\n\n";
        const auto started = std::chrono::steady_clock::now();
        const CliRun r = Download({"--modern", "--flat", "--timeout", "1", "--dir", dir.Path(),
                                   server.Address("/index.htm")},
                                  dir);
        EXPECT_GE(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(),
                  c.atLeast);
        const std::vector<std::string> requests = server.Requests();
        const std::string name = c.usersFile ? "f (2).jpg" : "f.jpg";
        const bool complete = std::string(c.status) == "Complete";
        const int waits = c.file.waits;
        const char* bytes = complete ? "10000" : waits > 3 ? "0" : "3000";
        EXPECT_EQ(r.out, std::string(c.status) + "\t" + bytes + "\t" + dir.File(name) + "\t" +
                             c.cause + "\t" + address + "\n");
        EXPECT_EQ(ReadFile(dir.File(name)),
                  complete ? std::optional(c.file.second.empty() ? first : second) : std::nullopt);
        EXPECT_EQ(ReadFile(elsewhere.File("other")),
                  c.hardLinked ? std::optional<std::string>("other") : std::nullopt);
        EXPECT_EQ(ReadFile(PartOf(dir.Path(), "f.jpg")),
                  c.foreignPart             ? std::optional<std::string>("theirs")
                  : c.olderRecord           ? std::optional(first.substr(0, c.leftOver))
                  : !complete && waits <= 3 ? std::optional(first.substr(0, 3000))
                                            : std::nullopt)
            << "a failure leaves only its .part; a part not Tarvik's is left as it is";
        if (!ReadFile(PartOf(dir.Path(), "f.jpg"))) {
            for (const auto& f : std::filesystem::directory_iterator(dir.Path()))
                EXPECT_FALSE(f.path().extension() == ".tk") << "a record beside no part";
        }
        EXPECT_EQ(ReadFile(dir.File("f.jpg")),
                  c.usersFile ? std::optional<std::string>("mine") : ReadFile(dir.File(name)));
        const std::size_t waited = std::min(waits, 3);
        ASSERT_EQ(requests.size(), 1 + waited + c.requests) << "the page's included";
        EXPECT_EQ(Rest(requests.back(), "Referer"), "http://" + server.Address("/index.htm"));
        EXPECT_EQ(Rest(requests[1 + waited], "Range"), c.firstRange);
        if (waits > 3 || requests.size() < 3 + waited)
            continue;
        const std::string& resume = requests[2 + waited];
        EXPECT_EQ(Rest(resume, "Range"), c.resume);
        EXPECT_EQ(Rest(resume, "If-Range").empty(), *c.resume == '\0');
    }
}

// Two files of one name on two paths, each broken off on a first run: a second run continues
// each part against its own validator, and a third finds both complete and writes nothing.
TEST(Download, EachRowContinuesOnlyItsOwnPartAcrossRuns) {
    const std::string a(1000, 'a'), b(1000, 'b');
    std::atomic<bool> broken{true};
    Server server(Server::Routes(
        {{"/index.htm", Server::Answer("<img src=/a/img.jpg><img src=/b/img.jpg>")},
         {"/a/img.jpg",
          ResumableFile{
              .body = a, .validators = "", .ranges = false, .cutAt = 700, .breaks = &broken}
              .Handler()},
         {"/b/img.jpg", ResumableFile{.body = b, .cutAt = 400, .breaks = &broken}.Handler()}}));
    TempDir dir;
    auto run = [&] {
        return Download({"--modern", "--flat", "--timeout", "1", "--threads", "1", "--dir",
                         dir.Path(), server.Address("/index.htm")},
                        dir);
    };
    EXPECT_EQ(run().status, 1);
    broken = false;
    const std::size_t before = server.Requests().size();
    const CliRun second = run();
    EXPECT_EQ(second.status, 0) << second.out;
    std::vector<std::string> requests = server.Requests();
    requests.erase(requests.begin(), requests.begin() + static_cast<long>(before));
    int ranged = 0;
    for (const std::string& r : requests)
        ranged += Rest(r, "Range") == "bytes=400-" && Rest(r, "If-Range") == "\"v1\"";
    EXPECT_EQ(ranged, 1) << "B resumed its own part, A started again";
    const std::optional<std::string> one = ReadFile(dir.File("img.jpg"));
    const std::optional<std::string> two = ReadFile(dir.File("img (2).jpg"));
    ASSERT_TRUE(one && two);
    EXPECT_EQ(std::set<std::string>({*one, *two}), std::set<std::string>({a, b}));
    // A third run knows B's file by its validator and fetches no body; A, which has none, is
    // fetched again beside it.
    const CliRun third = run();
    EXPECT_EQ(third.status, 0);
    const std::string bPath = dir.File(*one == b ? "img.jpg" : "img (2).jpg");
    EXPECT_NE(third.out.find("Complete\t1000\t" + bPath + "\t\t"), std::string::npos) << third.out;
    EXPECT_FALSE(fs::exists(dir.File("img (4).jpg")));
}

// The same bytes at two addresses keep one file, and a rerun under another mask keeps none
// new, whether the digests stand in the files' attributes or in the folder's index; with
// --keep-identical both are kept.
TEST(Download, IdenticalFilesAreKeptOnce) {
    Server server(Server::Routes({{"/p.htm", Server::Answer("<img src=/a.jpg><img src=/b.jpg>")},
                                  {"/a.jpg", Server::Answer("same bytes")},
                                  {"/b.jpg", Server::Answer("same bytes")}}));
    for (const bool refused : {false, true}) {
        FileOrigin::RefuseAttributes(refused);
        TempDir dir;
        const auto run = [&](std::vector<std::string> args) {
            args.insert(args.end(),
                        {"--all", "-j", "1", "--dir", dir.File("save"), server.Address("/p.htm")});
            return Download(args, dir);
        };
        const CliRun first = run({"--modern", "--flat"});
        EXPECT_EQ(first.status, 0) << refused;
        EXPECT_NE(first.out.find("Same\t10\t" + dir.File("save/a.jpg") + "\t-\thttp://"),
                  std::string::npos)
            << first.out;
        EXPECT_NE(first.err.find("1 complete, 0 failed, 1 identical, not kept, "),
                  std::string::npos);
        const CliRun masked = run({"--name", "again/*name*.*ext*"});
        EXPECT_NE(masked.err.find("0 complete, 0 failed, 2 identical, not kept, "),
                  std::string::npos)
            << masked.err;
        EXPECT_FALSE(fs::exists(dir.File("save/again"))) << "its folder goes with it";
        run({"--name", "kept/*name*.*ext*", "--keep-identical"});
        EXPECT_TRUE(fs::exists(dir.File("save/kept/b.jpg")));
        EXPECT_FALSE(fs::exists(dir.File("save/b.jpg")));
    }
    FileOrigin::RefuseAttributes(false);
}

// A finished file keeps its origin itself, and nothing stands beside it: a rerun finds it by
// that origin and fetches it again only when the server announces another version or length;
// where user attributes are refused, one index file of the folder serves instead.
TEST(Download, AFinishedFileKeepsItsOriginAndNothingElse) {
    struct OriginCase {
        const char* what;
        std::string first;       // the headers of the first run's answer
        std::string second = ""; // of the second run's; "" the same
        bool refused = false;    // user attributes refused
        const char* rerun = "f.jpg";
    };
    const std::string etag = "ETag: \"v\"\r\n", length = "Content-Length: 5\r\n";
    // clang-format off
    const OriginCase cases[] = {
        {.what = "validator and length", .first = etag + length},
        {.what = "length only", .first = length},
        {.what = "validator only", .first = etag},
        {.what = "neither", .first = ""},
        {.what = "neither, attributes refused", .first = "", .refused = true},
        {.what = "another validator", .first = etag + length, .second = "ETag: \"w\"\r\n", .rerun = "f (2).jpg"},
        {.what = "another length, attributes refused", .first = length, .second = "Content-Length: 6\r\n", .refused = true, .rerun = "f (2).jpg"},
    };
    // clang-format on
    for (const OriginCase& c : cases) {
        SCOPED_TRACE(c.what);
        FileOrigin::RefuseAttributes(c.refused);
        std::atomic<int> runs{0};
        Server server([&](Server::Connection& s) {
            if (s.Path() == "/index.htm")
                return static_cast<void>(
                    s.Send(Server::Response("<img src=/f.jpg><img src=/x.jpg>")));
            if (s.Path() == "/x.jpg")
                return static_cast<void>(s.Send(Server::Response("", "404 Not Found")));
            const std::string headers = runs++ > 0 && !c.second.empty() ? c.second : c.first;
            // Another version has other bytes: the same bytes would be no file to keep again.
            s.Send("HTTP/1.1 200 OK\r\nConnection: close\r\n" + headers + "\r\n" +
                   (headers.find("\"w\"") != std::string::npos ? "hellw" : "hello") +
                   (headers.find(": 6") != std::string::npos ? "!" : ""));
        });
        TempDir dir;
        for (const std::string name : {"f.jpg", c.rerun}) {
            const CliRun r = Download(
                {"--modern", "--flat", "--dir", dir.File("save"), server.Address("/index.htm")},
                dir);
            const char* bytes =
                name == "f.jpg" || c.second.find(": 6") == std::string::npos ? "5" : "6";
            EXPECT_NE(
                r.out.find("Complete\t" + std::string(bytes) + "\t" + dir.File("save/" + name)),
                std::string::npos)
                << r.out;
        }
        std::set<std::string> files, expected = {"f.jpg", c.rerun};
        for (const auto& f : fs::directory_iterator(dir.File("save")))
            files.insert(f.path().filename());
        if (c.refused)
            expected.insert(FileOrigin::indexName);
        EXPECT_EQ(files, expected) << "no record and no part of the file or of the 404";
        char origin[256] = {};
        const ssize_t n = ::getxattr(dir.File("save/f.jpg").c_str(), "user.xdg.origin.url", origin,
                                     sizeof origin);
        EXPECT_EQ(n < 0 ? "" : std::string(origin, static_cast<std::size_t>(n)),
                  c.refused ? "" : "http://" + server.Address("/f.jpg"));
    }

    // Two addresses of one name in a mask's folder; the first file goes; a rerun fetches only
    // that one again, finding the second under its number past the gap. No origin keeps the
    // page address's user name and password.
    for (const bool refused : {true, false}) {
        SCOPED_TRACE(refused ? "attributes refused" : "attributes");
        FileOrigin::RefuseAttributes(refused);
        std::mutex lock;
        std::vector<std::string> asked;
        std::atomic<bool> rerun{false};
        Server server([&](Server::Connection& s) {
            {
                const std::lock_guard<std::mutex> hold(lock);
                asked.push_back(s.Path());
            }
            const bool page = s.Path() == "/index.htm";
            s.Send(Server::Response(
                page ? (rerun ? "<img src=/b/x.jpg>" : "<img src=/a/x.jpg><img src=/b/x.jpg>")
                     : s.Path(),
                "200 OK", page ? "" : "Content-Type: image/jpeg\r\n"));
        });
        TempDir dir;
        const std::string page = "http://user:secret@" + server.Address("/index.htm");
        auto run = [&] {
            return Download(
                {"--modern", "--name", "pics/*name*.*ext*", "--dir", dir.File("save"), page}, dir);
        };
        const CliRun first = run();
        EXPECT_EQ(first.status, 0) << first.out << first.err;
        fs::remove(dir.File("save/pics/x.jpg"));
        rerun = true;
        const CliRun second = run();
        EXPECT_EQ(FirstFields(second.out, 3),
                  "Complete\t8\t" + dir.File("save/pics/x (2).jpg") + "\n");
        EXPECT_FALSE(fs::exists(dir.File("save/pics/x.jpg"))) << "fetched again under the gap";
        char origin[256] = {};
        const ssize_t n = ::getxattr(dir.File("save/pics/x (2).jpg").c_str(), "user.xdg.origin.url",
                                     origin, sizeof origin);
        const std::string kept =
            refused ? ReadFile(dir.File("save/.tarvik-origins")).value_or("")
                    : std::string(origin, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        EXPECT_NE(kept.find(server.Address("/b/x.jpg")), std::string::npos) << kept;
        EXPECT_EQ(kept.find("secret"), std::string::npos) << kept;
    }
    FileOrigin::RefuseAttributes(false);
}
