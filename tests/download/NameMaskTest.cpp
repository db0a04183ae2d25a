#include "download/NameMask.h"
#include "download/DownloadTable.h"
#include "download/FolderNames.h"
#include "download/MaskExample.h"
#include "tests/support/CliRun.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>

namespace fs = std::filesystem;

// Each tag, and names that must be made safe, to the path written.
TEST(NameMask, TagsAndSafeNames) {
    const NameMask::Values row{"large.photo.jpg", "h:81", {"a b", "c"}, "Day / one",
                               "Alt text",        7,      "2026-12-07"};
    auto with = [&](auto change) {
        NameMask::Values v = row;
        change(v);
        return v;
    };
    // clang-format off
    const std::tuple<const char*, NameMask::Values, std::string> cases[] = {
        {"*name*.*ext*", row, "large.photo.jpg"},
        {"*host*/*subdirs*/*text* *num* *date*.*ext*", row, "h_81/a b/c/Alt text 007 2026-12-07.jpg"},
        {"*title*/*name*", with([](auto& v) { v.title = "Storm: \"Night\" <Rain>*|? ..."; }), "Storm_ _Night_ _Rain____/large.photo"},
        {NameMask::folderPerPage, row, "Day _ one/007 large.photo.jpg"},
        {"*title*/*name*", with([](auto& v) { v.title = "..\x01\xE2\x80\xAEx"; }), "__x/large.photo"},
        {"*title*/*name*", with([](auto& v) { v.title = ".."; }), "large.photo"},
        {"*title*/*text*.*ext*", with([](auto& v) { v.title = "", v.text = ""; }), "untitled/large.photo.jpg"},
        {"*subdirs*/*name*.*ext*", with([](auto& v) { v.subdirs = {}, v.name = "noext"; }), "noext"},
        {"*subdirs*/*name*", with([](auto& v) { v.subdirs = {"1", "2", "3", "4", "5", "6", "7", "8", "9"}; }), "1/2/3/4/5/6/7/9/large.photo"},
        {"*title*", with([](auto& v) { v.title = std::string(400, 'x'); }), std::string(200, 'x')},
        {"*title*.*ext*", with([](auto& v) { v.title = std::string(399, 'x') + "\xC3\xA9"; }), std::string(196, 'x') + ".jpg"},
    };
    // clang-format on
    for (const auto& [mask, values, path] : cases) {
        ASSERT_FALSE(NameMask::Check(mask)) << mask;
        EXPECT_EQ(NameMask::Expand(mask, values), path) << mask;
    }
    for (const auto& [mask, why] : {std::pair{"*nom*", "unknown tag *nom*"},
                                    {"/abs/*name*", "an absolute path"},
                                    {"a/../*name*", "a .. folder"}})
        EXPECT_EQ(NameMask::Check(mask), why);
    // The example of the options names the page's first content picture, else its first picture.
    LinkTable page;
    page.pageTitle = "Finds";
    page.Append({.category = FileCategory::Jpeg, .name = "logo.jpg", .number = 1});
    page.Append({.category = FileCategory::HtmlLink, .name = "a.htm", .number = 2});
    EXPECT_EQ(MaskExample::Text("*title*/*num* *name*.*ext*", &page),
              "Example: Finds/001 logo.jpg");
    page.Append({.category = FileCategory::Jpeg,
                 .name = "late.jpg",
                 .place = PicturePlace::Content,
                 .number = 4});
    page.Append({.category = FileCategory::Gif,
                 .name = "lead.gif",
                 .place = PicturePlace::Content,
                 .number = 3});
    EXPECT_EQ(MaskExample::Text("*num* *name*.*ext*", &page), "Example: 003 lead.gif");
}

// A gallery of 24 photos, each named large.jpg: two runs give the same ordered names, whatever
// order the downloads end in; a link planted where a folder goes leads nothing outside.
TEST(NameMask, TheSameGalleryGetsTheSameNamesAndStaysInside) {
    std::string gallery = "<title>Boats</title>";
    for (int i = 1; i <= 24; ++i)
        gallery += "<img src=/photos/" + std::to_string(i) + "/large.jpg>";
    std::string deep = "<title>" + std::string(200, 't') + "</title><img src=/";
    for (int i = 0; i < 2500; ++i)
        deep += "d/";
    deep += "x.jpg>";
    LoopbackServer server([&](LoopbackServer::Connection& c) {
        const std::string path = c.Path();
        if (path == "/deep" || path.rfind("/d/", 0) == 0) {
            c.Send(path == "/deep" ? LoopbackServer::Response(deep)
                                   : LoopbackServer::Response("gone", "404 Not Found"));
            return;
        }
        c.Send(LoopbackServer::Response(
            path == "/g"   ? gallery
            : path == "/t" ? "<img src=/p.jpg alt='A  boat'><a href=/doc.pdf> The annual\n"
                             "report </a>"
                           : "photo " + path,
            "200 OK", path == "/g" || path == "/t" ? "Content-Type: text/html\r\n" : ""));
    });
    TempDir dir, outside;
    const std::string save = dir.File("save");
    for (int run = 0; run < 2; ++run) {
        const CliRun r = RunCli({"download", "--name", "*title*/*num* *name*.*ext*", "-j", "8",
                                 "-q", "-d", save, server.Address("/g")},
                                dir.File("tk.opt"));
        EXPECT_EQ(r.status, 0) << r.err;
        for (int i = 1; i <= 24; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/Boats/%03d large.jpg", i);
            EXPECT_EQ(ReadFile(save + name), "photo /photos/" + std::to_string(i) + "/large.jpg");
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(save + "/Boats"), {}), 24);
    }
    // Two rows of one name in one run are told apart in the page's order.
    DownloadTable table;
    table.nameMask = "*name*.*ext*";
    table.saveDirectory = save + "/Boats";
    LinkEntry a{.path = "/x/large.jpg", .name = "large.jpg", .server = "h", .number = 2};
    LinkEntry b = a;
    b.path = "/y/large.jpg";
    std::ofstream(save + "/Boats/large.jpg") << "the user's";
    table.QueueDownload(a, true);
    table.QueueDownload(b, true);
    EXPECT_EQ(table.downloads[0].name + "|" + table.downloads[1].name,
              "large (2).jpg|large (3).jpg");

    // *text*: a picture's alt text, a link's text.
    RunCli({"download", "--name", "*text*.*ext*", "-q", "-d", save, server.Address("/t")},
           dir.File("tk.opt"));
    EXPECT_EQ(ReadFile(save + "/A boat.jpg"), "photo /p.jpg");
    EXPECT_EQ(ReadFile(save + "/The annual report.pdf"), "photo /doc.pdf");

    // An address of 2,500 folders makes eight, and they go with its 404; a path no file system
    // takes fails before anything is made.
    std::string mask;
    for (int i = 0; i < 20; ++i)
        mask += "*title*/";
    for (const auto& [m, said] :
         {std::pair<std::string, std::string>{"*subdirs*/*name*.*ext*", "HTTP 404"},
          {mask + "*name*.*ext*", "name too long"}}) {
        const TempDir deepSave;
        const CliRun r =
            RunCli({"download", "--name", m, "-d", deepSave.Path(), server.Address("/deep")},
                   dir.File("tk.opt"));
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.out.find("\t" + said + "\t"), std::string::npos) << r.out.substr(0, 300);
        EXPECT_TRUE(fs::is_empty(deepSave.Path())) << said;
    }

    fs::create_directory_symlink(outside.Path(), save + "/Elsewhere");
    const CliRun planted = RunCli(
        {"download", "--name", "Elsewhere/*name*.*ext*", "-q", "-d", save, server.Address("/g")},
        dir.File("tk.opt"));
    EXPECT_EQ(planted.status, 1);
    EXPECT_TRUE(fs::is_empty(outside.Path())) << "nothing written outside the save directory";
}

// The numbered variants of each name, read from a folder in one pass: gaps between them, and
// names that only look like variants.
TEST(NameMask, AFolderIsReadForTheVariantsOfEachName) {
    TempDir dir;
    for (const char* file : {"a.jpg", "a (3).jpg", "a (02).jpg", "a (1000).jpg", "README (2)",
                             "v1 (4).2", ".hidden (2)", "a.b (2)"})
        std::ofstream(dir.File(file)) << file;
    fs::create_directory(dir.File("a (5).jpg"));
    FolderNames names;
    names.Read(dir.Path(), "");
    using Variants = std::map<int, bool>;
    for (const auto& [name, variants] :
         {std::pair<std::string, Variants>{"a.jpg", {{1, true}, {3, true}, {5, false}}},
          {"README", {{2, true}}},
          {"v1.2", {{4, true}}},
          {".hidden", {{2, true}}},
          {"a.b", {}},
          {"a (3).jpg", {{1, true}}},
          {"a (02).jpg", {{1, true}}},
          {"a (1000).jpg", {{1, true}}}})
        EXPECT_EQ(names.VariantsOf(name), variants) << name;
}
