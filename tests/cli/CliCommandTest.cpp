#include "cli/CliCommand.h"
#include "settings/SettingsFile.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace {

const char* const page = "<html><head><TITLE>Holiday\tpictures</TITLE></head>\n"
                         "<body><a href=\"next.html\">next</a><img src='pics/b.GIF'>\r\n"
                         "<a href=//other/a.zip><img src=\"http://img.host:81/x/c.jpg?s=1\">\n"
                         "<a href='ftp://files/pub/doc.pdf'><a href='#top'><a href='next.html'>\n";

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun RunCli(const std::vector<std::string>& args, const std::string& settingsPath) {
    std::ostringstream out, err;
    const int status = CliCommand::Run(args, out, err, settingsPath);
    return {status, out.str(), err.str()};
}

} // namespace

TEST(CliCommand, PrintsTitleAndRowsInNameOrder) {
    LoopbackServer server(LoopbackServer::Serve(LoopbackServer::Response(page)));
    TempDir dir;
    const CliRun r =
        RunCli({"links", "--title", server.Address("/album/index.htm")}, dir.File("tk.opt"));
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string host = server.Address("");
    EXPECT_EQ(r.out, "title\tHoliday\tpictures\n"
                     "a.zip\tZIP\t/a.zip\tother\tHTTP\n"
                     "b.GIF\tGIF\talbum/pics/b.GIF\t" +
                         host +
                         "\tHTTP\n"
                         "c.jpg\tJPEG\t/x/c.jpg?s=1\timg.host:81\tHTTP\n"
                         "doc.pdf\tDOC\t/pub/doc.pdf\tfiles\tFTP\n"
                         "  ->next.html\tHTML Link\talbum/next.html\t" +
                         host + "\tHTTP\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("tk.opt"))) << "the CLI never writes options";
}

TEST(CliCommand, UsesTheHarvestFlagsOfTheOptionsFile) {
    LoopbackServer server(LoopbackServer::Serve(LoopbackServer::Response(page)));
    TempDir dir;
    Settings s = Settings::Defaults();
    s.harvestGif = 0;
    s.harvestHtml = 0;
    s.harvestZip = 0;
    s.harvestDoc = 0;
    ASSERT_TRUE(SettingsFile(dir.File("tk.opt")).Save(s));
    const CliRun r = RunCli({"links", server.Address("/index.htm")}, dir.File("tk.opt"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "c.jpg\tJPEG\t/x/c.jpg?s=1\timg.host:81\tHTTP\n");
}

TEST(CliCommand, UnopenablePageAndWrongArguments) {
    TempDir dir;
    const CliRun failed = RunCli({"links", "http://127.0.0.1:1/"}, dir.File("tk.opt"));
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.err, "Unable to open this URL.\n");
    EXPECT_EQ(failed.out, "");

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {"links"}, {"pages", "x"}, {"links", "a", "b"}}) {
        const CliRun r = RunCli(args, dir.File("tk.opt"));
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err.rfind("usage: tarvik-cli links", 0), 0u);
    }
    const CliRun help = RunCli({"--help"}, dir.File("tk.opt"));
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--title"), std::string::npos);
}
