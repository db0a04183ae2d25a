#include "lists/FileListSort.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>
#include <set>

namespace {

LinkTable TableOf(std::initializer_list<const char*> links) {
    LinkTable t;
    const Settings s = Settings::Defaults();
    for (const char* link : links)
        t.AdmitLink(link, "http://s/", 0, s);
    return t;
}

std::vector<std::string> Names(const LinkTable& t) {
    std::vector<std::string> names;
    for (int32_t i = 0; i < t.linkCount; ++i)
        names.push_back(t.links[i].name);
    return names;
}

using Names_ = std::vector<std::string>;

struct CompareCase {
    const char* a;
    const char* b;
    int sign;
};

class Compare : public ::testing::TestWithParam<CompareCase> {};

} // namespace

TEST_P(Compare, MapsUpperToLowerAndPutsPrefixesFirst) {
    const CompareCase& c = GetParam();
    const int r = FileListSort::CompareNoCase(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
}

INSTANTIATE_TEST_SUITE_P(
    FileListSort, Compare,
    ::testing::Values(CompareCase{"abc", "ABC", 0}, CompareCase{"a", "b", -1},
                      CompareCase{"B", "a", 1}, CompareCase{"ab", "abc", -1},
                      CompareCase{"", "a", -1},
                      // '_' (0x5F) and '[' (0x5B) lie between 'Z' and 'a': letters map to
                      // lower case first, so both sort before every letter
                      CompareCase{"_x", "a", -1}, CompareCase{"_x", "Z", -1},
                      CompareCase{"[x", "A", -1}, CompareCase{"[", "_", -1},
                      CompareCase{"\xE9", "z", 1}, CompareCase{"1", "A", -1}));

TEST(FileListSort, NameAscendingAndDescending) {
    LinkTable t = TableOf({"/b.jpg", "/C.gif", "/a.zip", "/_u.gif"});
    FileListSort::SortLinks(t, 0, false);
    EXPECT_EQ(Names(t), (Names_{"_u.gif", "a.zip", "b.jpg", "C.gif"}));
    FileListSort::SortLinks(t, 0, true);
    EXPECT_EQ(Names(t), (Names_{"C.gif", "b.jpg", "a.zip", "_u.gif"}));
}

TEST(FileListSort, FileTypeSortsByCodeNotLabel) {
    LinkTable t =
        TableOf({"/z.zip", "/d.doc", "/a.mp3", "/m.mpg", "/v.avi", "/g.gif", "/j.jpg", "/h.htm"});
    FileListSort::SortLinks(t, 1, false);
    EXPECT_EQ(Names(t),
              (Names_{"h.htm", "j.jpg", "g.gif", "v.avi", "m.mpg", "a.mp3", "d.doc", "z.zip"}));
    FileListSort::SortLinks(t, 1, true);
    EXPECT_EQ(Names(t),
              (Names_{"z.zip", "d.doc", "a.mp3", "m.mpg", "v.avi", "g.gif", "j.jpg", "h.htm"}));
}

TEST(FileListSort, PathSortsInTheReversedSense) {
    LinkTable t = TableOf({"/b/x.jpg", "/A/y.jpg", "/c/z.jpg"});
    FileListSort::SortLinks(t, 2, true);
    EXPECT_EQ(Names(t), (Names_{"y.jpg", "x.jpg", "z.jpg"}));
    FileListSort::SortLinks(t, 2, false);
    EXPECT_EQ(Names(t), (Names_{"z.jpg", "x.jpg", "y.jpg"}));
}

TEST(FileListSort, UnknownColumnSortsNothing) {
    LinkTable t = TableOf({"/b.jpg", "/a.jpg"});
    FileListSort::SortLinks(t, 3, false);
    EXPECT_EQ(Names(t), (Names_{"b.jpg", "a.jpg"}));
}

TEST(FileListSort, SharedFlagAcrossColumns) {
    LinkTable t = TableOf({"/b/b.jpg", "/a/c.jpg", "/c/a.jpg"});
    uint8_t flag = 1;
    // A fresh page: forced ascending by name; the flag still toggles.
    ASSERT_TRUE(FileListSort::SortFileList(t, flag, t.linkCount, 0, true, false));
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(Names(t), (Names_{"a.jpg", "b.jpg", "c.jpg"}));
    // The first click on Path after a page load sorts the paths ascending.
    ASSERT_TRUE(FileListSort::SortFileList(t, flag, t.linkCount, 2, false, false));
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(Names(t), (Names_{"c.jpg", "b.jpg", "a.jpg"}));
    // The next click, on Name, reverses the flag again: ascending names.
    ASSERT_TRUE(FileListSort::SortFileList(t, flag, t.linkCount, 0, false, false));
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(Names(t), (Names_{"a.jpg", "b.jpg", "c.jpg"}));
    ASSERT_TRUE(FileListSort::SortFileList(t, flag, t.linkCount, 0, false, false));
    EXPECT_EQ(Names(t), (Names_{"c.jpg", "b.jpg", "a.jpg"}));
}

TEST(FileListSort, FewerThanTwoRowsKeepTheFlag) {
    LinkTable t = TableOf({"/a.jpg"});
    uint8_t flag = 0;
    EXPECT_FALSE(FileListSort::SortFileList(t, flag, 1, 0, false, false));
    EXPECT_FALSE(FileListSort::SortFileList(t, flag, 0, 0, true, false));
    EXPECT_EQ(flag, 0);
}

TEST(FileListSort, TiesKeepEveryRecord) {
    LinkTable t = TableOf({"/1/same.jpg", "/2/same.jpg", "/3/SAME.jpg", "/4/other.jpg"});
    FileListSort::SortLinks(t, 0, false);
    EXPECT_EQ(t.links[0].name, "other.jpg");
    std::set<std::string> paths;
    for (int i = 1; i < 4; ++i)
        paths.insert(t.links[i].path);
    EXPECT_EQ(paths, (std::set<std::string>{"/1/same.jpg", "/2/same.jpg", "/3/SAME.jpg"}));
}
