#include "cli/DownloadCommand.h"
#include "tests/support/CliRun.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <nlohmann/json.hpp>
#include <thread>

namespace {

using Server = LoopbackServer;

const char* const page = "<html><head><TITLE>Holiday\tpictures</TITLE></head>\n"
                         "<body><a href=\"next.html\">next</a><img src='pics/b.GIF'>\r\n"
                         "<a href=//other/a.zip><img src=\"http://img.host:81/x/c.jpg?s=1\">\n"
                         "<a href='ftp://files/pub/doc.pdf'><a href='#top'><a href='next.html'>\n";

} // namespace

TEST(CliCommand, LinksPrintsTheTitleAndTheRows) {
    Server server(Server::Answer(page));
    TempDir dir;
    const std::string host = server.Address("");
    const CliRun r =
        RunCli({"links", "--title", server.Address("/album/index.htm")}, dir.File("tk.opt"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "title\tHoliday\tpictures\na.zip\tZIP\t/a.zip\tother\tHTTP\nb.GIF\tGIF\t"
                     "album/pics/b.GIF\t" +
                         host +
                         "\tHTTP\nc.jpg\tJPEG\t/x/c.jpg?s=1\timg.host:81\tHTTP\ndoc.pdf\tDOC\t"
                         "/pub/doc.pdf\tfiles\tFTP\n  ->next.html\tHTML Link\talbum/next.html\t" +
                         host + "\tHTTP\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("tk.opt"))) << "the CLI never writes options";
}

TEST(CliCommand, UnopenablePageFailedPageAndWrongArguments) {
    TempDir dir;
    Server missing(Server::Answer("<img src=a.jpg>", "404 Not Found"));
    for (const char* command : {"links", "download"}) {
        // Every message about a page names it.
        const std::string gone = "http://" + missing.Address("/gone.htm");
        for (const auto& [address, why] :
             {std::pair<std::string, std::string>{
                  "http://127.0.0.1:1/",
                  "http://127.0.0.1:1/: Unable to open this URL.\nhttp://127.0.0.1:1/: refused\n"},
              {gone, gone + ": HTTP 404\n"},
              {"two words", "two words: not an address\n"},
              {"http://", "http://: not an address\n"},
              {"ftp://example.org/a",
               "ftp://example.org/a: only http and https addresses are read\n"},
              {"file:///etc/passwd",
               "file:///etc/passwd: only http and https addresses are read\n"}}) {
            const CliRun failed = RunCli({command, address}, dir.File("tk.opt"));
            EXPECT_EQ(failed.status, 1);
            EXPECT_EQ(failed.err, why);
            EXPECT_EQ(failed.out, "");
        }
    }
    // {arguments, what stderr says before the usage}
    // clang-format off
    const std::pair<const char*, const char*> wrong[] = {
        {"", ""}, {"links", ""}, {"pages x", ""}, {"links a b", ""}, {"download", ""},
        {"links --flat x", "unknown option --flat"}, {"download --title x", "unknown option --title"},
        {"download --threads 0 x", "--threads takes 1 to 16"}, {"download --threads=17 x", "--threads takes 1 to 16"},
        {"download --threads 4x x", "--threads takes 1 to 16"}, {"download --dir", "--dir takes a directory"},
        {"download --timeout 0 x", "--timeout takes 1 to 86400 seconds"},
        {"download --dir /proc/no/such x", "cannot make the directory /proc/no/such"},
        {"links --follow --classic x", "--follow needs the modern rules, not --classic"},
        {"article --classic x", "article needs the modern rules, not --classic"},
        {"links --min-size 100 x", "--min-size takes WIDTHxHEIGHT in pixels, such as 300x200"},
        {"links --classic --probe x", "--probe needs the modern rules, not --classic"},
        {"links --next-pages 1001 x", "--next-pages takes 0 to 1000"}, {"links --per-server 2 x", "unknown option --per-server"},
        {"download --classic --per-server 2 x", "--per-server needs the modern rules, not --classic"},
        {"download --per-server 17 x", "--per-server takes 0 to 16"},
        {"download --limit-rate 1023 x", "--limit-rate takes 0 or a speed of at least 1k, such as 500k or 2M"},
        {"download --limit-rate 2G x", "--limit-rate takes 0 or a speed of at least 1k, such as 500k or 2M"},
        {"download --limit-rate 1k --classic x", "--limit-rate needs the modern rules, not --classic"},
        {"links --next-pages 0 --classic x", "--next-pages needs the modern rules, not --classic"},
        {"links --cookies a --cookies-from-browser firefox x", "--cookies and --cookies-from-browser: one source of cookies"}};
    // clang-format on
    for (const auto& [line, message] : wrong) {
        std::istringstream words(line);
        const std::vector<std::string> args{std::istream_iterator<std::string>(words), {}};
        const CliRun r = RunCli(args, dir.File("tk.opt"));
        EXPECT_EQ(r.status, 2) << line;
        EXPECT_EQ(r.err.rfind(*message ? "tarvik-cli: " + std::string(message) : "usage:", 0), 0u)
            << line << ": " << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(RunCli({"download", "--help"}, dir.File("tk.opt")).status, 0);
}

TEST(CliCommand, DownloadTakesTheRowsOfTheChosenButton) {
    std::map<std::string, Server::Handler> routes{
        {"/index.htm", Server::Answer("<img src=/p/b.jpg><img src=/p/a.JPEG><img src=/p/c.gif>"
                                      "<a href=/m/z.avi><a href=/m/y.mpg><a href=/m/x.mpeg.zip>")}};
    for (const char* path : {"/p/b.jpg", "/p/a.JPEG", "/p/c.gif", "/m/z.avi", "/m/y.mpg"})
        routes[path] = Server::Answer(path);
    Server server(Server::Routes(routes));
    TempDir dir;
    // A missing save directory is made, with its parents.
    const std::string sub = dir.File("made/here/") + server.Address("") + "/";
    auto run = [&](const char* option) {
        return RunCli({"download", option, "--threads", "1", "--dir", dir.File("made/here"),
                       server.Address("/index.htm")},
                      dir.File("tk.opt"));
    };
    const std::string http = "\thttp://" + server.Address("");
    EXPECT_EQ(run("--jpegs").out, "Complete\t9\t" + sub + "a.JPEG\t" + http +
                                      "/p/a.JPEG\nComplete\t8\t" + sub + "b.jpg\t" + http +
                                      "/p/b.jpg\n")
        << "STATUS, BYTES, LOCALPATH, CAUSE (none under the classic rules), ADDRESS";
    // x.mpeg.zip counts as a movie (MPEG is tried before ZIP) and is not served.
    const CliRun movies = run("--movies");
    EXPECT_EQ(movies.status, 1);
    EXPECT_EQ(FirstFields(movies.out, 3), "Error\t0\t" + sub + "x.mpeg.zip\nComplete\t8\t" + sub +
                                              "y.mpg\nComplete\t8\t" + sub + "z.avi\n");
    EXPECT_EQ(SortedLines(run("--all").out).size(), 6u);
}

// Ctrl-C cancels the running files at once, with no resume; the modern rules keep their parts
// for the next run.
TEST(CliCommand, InterruptCancelsTheRunningDownloads) {
    for (const bool modern : {false, true}) {
        SCOPED_TRACE(modern ? "modern" : "classic");
        const Server::Handler stall =
            Server::ThenStall("HTTP/1.0 200 OK\r\nETag: \"e\"\r\nContent-Length: 100\r\n\r\nsome");
        Server server(Server::Routes(
            {{"/index.htm", Server::Answer("<img src=/1.jpg><img src=/2.jpg><img src=/3.jpg>")},
             {"/1.jpg", stall},
             {"/2.jpg", stall},
             {"/3.jpg", stall}}));
        TempDir dir;
        auto kept = [&](const char* name) {
            return ReadFile(modern ? PartOf(dir.Path(), name)
                                   : std::filesystem::path(dir.File(name)));
        };
        std::thread interrupt([&] {
            // Both running files hold what was sent before the interrupt.
            while (kept("1.jpg") != "some" || kept("2.jpg") != "some")
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            DownloadCommand::Interrupt();
        });
        const CliRun r = RunCli({"download", modern ? "--modern" : "--classic", "--threads", "2",
                                 "--flat", "--dir", dir.Path(), server.Address("/index.htm")},
                                dir.File("tk.opt"));
        interrupt.join();
        EXPECT_EQ(r.status, 130);
        EXPECT_EQ(SortedLines(FirstFields(r.out, 4)),
                  (std::vector<std::string>{"Cancelled\t4\t" + dir.File("1.jpg") + "\t",
                                            "Cancelled\t4\t" + dir.File("2.jpg") + "\t"}))
            << "3.jpg never started and prints nothing";
        EXPECT_EQ(server.Requests().size(), 3u) << "no resume";
        EXPECT_EQ(kept("1.jpg"), "some");
        EXPECT_EQ(r.err, "interrupted: 0 complete, 3 unfinished (run again to resume)\n");
    }
}

// Pages from a file (one failing among good ones), short options, JSON lines read back by the
// same library, the progress line with the time left on a terminal, the summary, and --quiet.
TEST(CliCommand, InputFileJsonProgressAndSummary) {
    Server server(
        Server::Routes({{"/a.htm", Server::Answer("<img src='/x.jpg'>")},
                        {"/b.htm", Server::Answer("<img src='/x \"1\"\t.jpg'>")},
                        {"/x.jpg", Server::Drip("HTTP/1.0 200 OK\r\nContent-Length: 6000\r\n\r\n",
                                                4, 1500, 300)}}));
    TempDir dir;
    std::ofstream(dir.File("pages")) << "# to read\n\n"
                                     << server.Address("/a.htm") << "\n  127.0.0.1:1/  \n";
    for (const bool quiet : {false, true}) {
        SCOPED_TRACE(quiet ? "quiet" : "not quiet");
        std::vector<std::string> args = {"download", "-i", dir.File("pages"), "-d",     dir.Path(),
                                         "-j",       "2",  "--json",          "--flat", "--all"};
        if (quiet)
            args.push_back("-q");
        std::filesystem::remove(dir.File("x.jpg"));
        const CliRun r = RunCli(args, dir.File("tk.opt"), true);
        EXPECT_EQ(r.status, 1) << "a page failed";
        const nlohmann::json line = nlohmann::json::parse(r.out);
        EXPECT_EQ(line, nlohmann::json({{"status", "Complete"},
                                        {"bytes", 6000},
                                        {"path", dir.File("x.jpg")},
                                        {"cause", ""},
                                        {"address", "http://" + server.Address("/x.jpg")}}));
        const std::string failure = "http://127.0.0.1:1/: Unable to open this URL.\n"
                                    "http://127.0.0.1:1/: refused\n";
        EXPECT_EQ(r.err.substr(0, failure.size()), failure);
        EXPECT_EQ(r.err.find(" s left") != std::string::npos, !quiet) << r.err;
        EXPECT_EQ(r.err.find("\n1 complete, 0 failed, 0.0 MiB in ") != std::string::npos, !quiet)
            << r.err;
        EXPECT_EQ(r.err.find(" s; 1 page failed\n") != std::string::npos, !quiet) << r.err;
        if (quiet) {
            EXPECT_EQ(r.err, failure);
        }
    }
    const CliRun links =
        RunCli({"links", "--json", "--title", server.Address("/b.htm")}, dir.File("tk.opt"));
    const std::size_t row = links.out.find('\n') + 1;
    EXPECT_EQ(nlohmann::json::parse(links.out.substr(0, row)), nlohmann::json({{"title", ""}}));
    EXPECT_EQ(nlohmann::json::parse(links.out.substr(row))["name"], "x \"1\"\t.jpg")
        << "tabs and quotes intact";
}

// More rows than the table holds are taken in turns; a rerun counts the files already there
// apart; an input file's byte-order mark is no address, and a file of none is said.
TEST(CliCommand, RowsInTurnsAndFilesAlreadyThere) {
    Server server([](Server::Connection& c) {
        const std::string path = c.Path();
        std::string page;
        for (int i = 0; path.size() > 5 && path.substr(path.size() - 4) == ".htm" && i < 520; ++i)
            page += "<img src=/" + path.substr(1, 1) + std::to_string(i) + ".jpg>";
        c.Send(page.empty() ? "HTTP/1.1 200 OK\r\nETag: \"e\"\r\nContent-Length: 1\r\n\r\nx"
                            : Server::Response(page));
    });
    TempDir dir;
    std::ofstream(dir.File("pages")) << "\xEF\xBB\xBF" << server.Address("/a.htm") << "\n"
                                     << server.Address("/b.htm") << "\nno page\n";
    for (const char* summary : {"1040 complete, 0 failed, 0.0 MiB in ",
                                "0 complete, 0 failed, 1040 already there, 0.0 MiB in "}) {
        const CliRun r = RunCli({"download", "--modern", "-i", dir.File("pages"), "-j", "16",
                                 "--keep-identical", "--flat", "-d", dir.Path()},
                                dir.File("tk.opt"));
        EXPECT_EQ(r.status, 1) << "a page failed";
        EXPECT_EQ(SortedLines(r.out).size(), 1040u);
        EXPECT_EQ(r.err.substr(0, r.err.find(summary)), "no page: not an address\n");
        EXPECT_NE(r.err.find(" s; 1 page failed\n"), std::string::npos) << r.err;
    }
    std::ofstream(dir.File("none")) << "# nothing\n\n";
    const CliRun none = RunCli({"links", "-i", dir.File("none")}, dir.File("tk.opt"));
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, dir.File("none") + ": no addresses\n");
}

// Two downloads at once share one limit: 512 KiB at 256 KiB/s take about two seconds in all
// (wide bounds: a loaded machine is slower, never faster).
TEST(CliCommand, LimitRateHoldsAllDownloadsTogether) {
    const std::string body(256 * 1024, 'b');
    Server server(Server::Routes(
        {{"/p.htm", Server::Answer("<a href=a.bin>a</a><a href=b.bin>b</a>")},
         {"/a.bin", Server::Answer("a" + body.substr(1), "200 OK", "Content-Type: x/y\r\n")},
         {"/b.bin", Server::Answer(body, "200 OK", "Content-Type: x/y\r\n")}}));
    TempDir dir;
    const auto started = std::chrono::steady_clock::now();
    const CliRun r = RunCli({"download", "--limit-rate", "256k", "-j", "2", "--flat", "-d",
                             dir.Path(), server.Address("/p.htm")},
                            dir.File("tk.opt"));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(dir.File("b.bin")), body);
    EXPECT_GT(seconds, 1.6);
    EXPECT_LT(seconds, 8.0);
}
