#include "lists/FileListSort.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>

namespace {

using Names_ = std::vector<std::string>;

LinkTable TableOf(const std::vector<const char*>& links) {
    LinkTable t;
    for (const char* link : links)
        t.AdmitLink(link, "http://s/", 0, Settings::Defaults());
    return t;
}

Names_ Names(const LinkTable& t) {
    Names_ names;
    for (int32_t i = 0; i < t.linkCount; ++i)
        names.push_back(t.links[i].name);
    return names;
}

} // namespace

TEST(FileListSort, ColumnsAndDirections) {
    // '_' and '[' lie between 'Z' and 'a': letters map to lower case first, so both sort before
    // every letter; a prefix sorts first; bytes >= 0x80 after all letters.
    const std::tuple<std::vector<const char*>, int, bool, Names_> cases[] = {
        {{"/b.jpg", "/[.gif", "/\xE9.zip", "/ab.jpg", "/A.jpg", "/Z_.gif"},
         0,
         false,
         {"[.gif", "A.jpg", "ab.jpg", "b.jpg", "Z_.gif", "\xE9.zip"}},
        {{"/b.jpg", "/C.gif", "/a.zip", "/_u.gif"},
         0,
         false,
         {"_u.gif", "a.zip", "b.jpg", "C.gif"}},
        {{"/b.jpg", "/C.gif", "/a.zip", "/_u.gif"}, 0, true, {"C.gif", "b.jpg", "a.zip", "_u.gif"}},
        // FileType sorts by code, not by label
        {{"/z.zip", "/d.doc", "/a.mp3", "/m.mpg", "/v.avi", "/g.gif", "/j.jpg", "/h.htm"},
         1,
         false,
         {"h.htm", "j.jpg", "g.gif", "v.avi", "m.mpg", "a.mp3", "d.doc", "z.zip"}},
        {{"/z.zip", "/g.gif", "/j.jpg", "/h.htm"}, 1, true, {"z.zip", "g.gif", "j.jpg", "h.htm"}},
        // Path sorts in the reversed sense
        {{"/b/x.jpg", "/A/y.jpg", "/c/z.jpg"}, 2, true, {"y.jpg", "x.jpg", "z.jpg"}},
        {{"/b/x.jpg", "/A/y.jpg", "/c/z.jpg"}, 2, false, {"z.jpg", "x.jpg", "y.jpg"}},
        {{"/b.jpg", "/a.jpg"}, 3, false, {"b.jpg", "a.jpg"}}};
    for (const auto& [links, column, descending, expected] : cases) {
        LinkTable t = TableOf(links);
        FileListSort::SortLinks(t, column, descending);
        EXPECT_EQ(Names(t), expected) << column << " " << descending;
    }
    // Modern rows: the place as marked, the size as shown (the real one over the declared one),
    // the bytes, the page's order, the server.
    LinkTable t;
    using Mark = LinkEntry::Mark;
    t.Append({.name = "nav",
              .server = "b.example",
              .place = PicturePlace::Navigation,
              .width = 10,
              .height = 10,
              .number = 3,
              .bytes = 9});
    t.Append({.name = "marked",
              .server = "A.example",
              .place = PicturePlace::Ad,
              .width = 50,
              .height = 50,
              .number = 2,
              .mark = Mark::Content});
    t.Append({.name = "real",
              .server = "c.example",
              .place = PicturePlace::Footer,
              .width = 900,
              .height = 900,
              .number = 4,
              .realWidth = 20,
              .realHeight = 20,
              .bytes = 7});
    t.Append({.name = "unmarked",
              .server = "a2.example",
              .place = PicturePlace::Content,
              .number = 1,
              .bytes = 8,
              .mark = Mark::NotContent});
    for (const auto& [column, expected] :
         {std::pair<int, Names_>{3, {"marked", "nav", "real", "unmarked"}},
          {4, {"unmarked", "nav", "real", "marked"}},
          {5, {"marked", "real", "unmarked", "nav"}},
          {FileListSort::byNumber, {"unmarked", "marked", "nav", "real"}},
          {FileListSort::byServer, {"marked", "unmarked", "nav", "real"}}}) {
        FileListSort::SortLinks(t, column, false);
        EXPECT_EQ(Names(t), expected) << column;
    }
}

TEST(FileListSort, FewerThanTwoRowsNeitherSortNorToggle) {
    LinkTable t = TableOf({"/b.jpg"});
    uint8_t flag = 1;
    EXPECT_FALSE(FileListSort::SortFileList(t, flag, 1, 0, false, false));
    EXPECT_FALSE(FileListSort::SortFileList(t, flag, 0, 0, true, false));
    EXPECT_EQ(flag, 1);
}
