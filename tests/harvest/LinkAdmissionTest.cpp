#include "settings/Settings.h"
#include "harvest/FileCategory.h"
#include "harvest/LinkTable.h"

#include <gtest/gtest.h>

namespace {

Settings AllOn() {
    return Settings::Defaults();
}

struct ClassifyCase {
    const char* link;
    FileCategory expected;
};

class Classify : public ::testing::TestWithParam<ClassifyCase> {};

struct NameCase {
    const char* link;
    const char* name;
};

class FileName : public ::testing::TestWithParam<NameCase> {};

} // namespace

TEST_P(Classify, FirstMatchingGroupDecides) {
    EXPECT_EQ(ClassifyLink(GetParam().link, AllOn()), GetParam().expected) << GetParam().link;
}

INSTANTIATE_TEST_SUITE_P(
    LinkAdmission, Classify,
    ::testing::Values(ClassifyCase{"photo.jpg", FileCategory::Jpeg},
                      ClassifyCase{"PHOTO.JPG", FileCategory::Jpeg},
                      ClassifyCase{"Photo.Jpeg", FileCategory::Jpeg},
                      ClassifyCase{"image.jfif", FileCategory::Jpeg},
                      ClassifyCase{"/show.htm?img=a.jpg", FileCategory::Jpeg},
                      ClassifyCase{"/get.html?file=a.zip", FileCategory::HtmlLink},
                      ClassifyCase{"/page.html#top", FileCategory::Excluded},
                      ClassifyCase{"/page.htm#top", FileCategory::Excluded},
                      ClassifyCase{"/page.html?x#top", FileCategory::HtmlLink},
                      ClassifyCase{"http://files.example.com.au/a.zip", FileCategory::Audio},
                      ClassifyCase{"/report.docx", FileCategory::Doc},
                      ClassifyCase{"/a.tar.gz", FileCategory::Zip},
                      ClassifyCase{"/m.mpg.avi", FileCategory::Mpeg},
                      ClassifyCase{"/clip.avi", FileCategory::Avi},
                      ClassifyCase{"/s.AIFF", FileCategory::Audio},
                      ClassifyCase{"/anim.gif.zip", FileCategory::Gif},
                      ClassifyCase{"/a.css", FileCategory::Excluded},
                      ClassifyCase{"", FileCategory::Excluded}));

TEST(LinkAdmission, SwitchedOffCategoryDoesNotFallThrough) {
    Settings s = AllOn();
    s.harvestGif = 0;
    EXPECT_EQ(ClassifyLink("/a.gif.zip", s), FileCategory::Excluded);
    s = AllOn();
    s.harvestHtml = 0;
    EXPECT_EQ(ClassifyLink("/get.html?file=a.zip", s), FileCategory::Excluded);
    s = AllOn();
    s.harvestAudio = 0;
    EXPECT_EQ(ClassifyLink("http://x.com.au/a.zip", s), FileCategory::Excluded);
}

TEST(LinkAdmission, EachFlagSwitchesItsOwnCategory) {
    struct {
        uint8_t Settings::*flag;
        const char* link;
    } const cases[] = {{&Settings::harvestJpeg, "a.jpg"}, {&Settings::harvestGif, "a.gif"},
                       {&Settings::harvestMpeg, "a.mpg"}, {&Settings::harvestHtml, "a.htm"},
                       {&Settings::harvestAvi, "a.avi"},  {&Settings::harvestAudio, "a.mp3"},
                       {&Settings::harvestDoc, "a.doc"},  {&Settings::harvestZip, "a.zip"}};
    for (const auto& c : cases) {
        Settings s = AllOn();
        EXPECT_NE(ClassifyLink(c.link, s), FileCategory::Excluded) << c.link;
        s.*c.flag = 0;
        EXPECT_EQ(ClassifyLink(c.link, s), FileCategory::Excluded) << c.link;
    }
}

TEST_P(FileName, IsTheLastComponentCutAtAQueryAfterADot) {
    EXPECT_EQ(LinkTable::LinkFileName(GetParam().link), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(LinkAdmission, FileName,
                         ::testing::Values(NameCase{"/dir/", ""}, NameCase{"pic.jpg", "pic.jpg"},
                                           NameCase{"/logo.gif", "logo.gif"},
                                           NameCase{"/cgi/get?name=a.jpg", "get?name=a.jpg"},
                                           NameCase{"/img/a.jpg?size=2", "a.jpg"},
                                           NameCase{"C:\\pics\\a.gif", "a.gif"},
                                           NameCase{"a/b\\c.zip?x?y", "c.zip"}, NameCase{"", ""}));

TEST(LinkAdmission, StoresTheResolvedRecord) {
    LinkTable t;
    t.AdmitLink("pics/Big.JPG?s=1", "http://Srv/d/index.html", 0, AllOn());
    ASSERT_EQ(t.linkCount, 1);
    const LinkEntry& e = t.links[0];
    EXPECT_EQ(e.category, FileCategory::Jpeg);
    EXPECT_EQ(e.name, "Big.JPG");
    EXPECT_EQ(e.server, "Srv");
    EXPECT_EQ(e.path, "d/pics/Big.JPG?s=1");
    EXPECT_EQ(e.service, 0);
    EXPECT_EQ(e.size, 0);
    EXPECT_EQ(e.attributeKind, 0);
}

TEST(LinkAdmission, DuplicateKeyIsThePathAlone) {
    LinkTable t;
    const Settings s = AllOn();
    t.AdmitLink("http://one/a/x.jpg", "http://p/", 0, s);
    t.AdmitLink("http://two/a/x.jpg", "http://p/", 1, s); // same path, other server: dropped
    t.AdmitLink("http://one/b/x.jpg", "http://p/", 1, s); // same name, other path: kept
    t.AdmitLink("http://one/A/x.jpg", "http://p/", 1, s); // case differs: kept
    ASSERT_EQ(t.linkCount, 3);
    EXPECT_EQ(t.links[0].server, "one");
    EXPECT_EQ(t.links[1].path, "/b/x.jpg");
    EXPECT_EQ(t.links[2].path, "/A/x.jpg");
}

TEST(LinkAdmission, RejectedLinkLeavesEarlierRecordsAlone) {
    LinkTable t;
    const Settings s = AllOn();
    t.AdmitLink("a.jpg", "http://p/", 0, s);
    t.AdmitLink("a.css", "http://p/", 0, s);
    t.AdmitLink("/a.jpg", "http://p/", 0, s);
    ASSERT_EQ(t.linkCount, 1);
    EXPECT_EQ(t.links[0].path, "/a.jpg");
    EXPECT_EQ(t.links[0].name, "a.jpg");
}

TEST(LinkAdmission, TheTableHoldsAtMost1024Links) {
    LinkTable t;
    const Settings s = AllOn();
    for (int i = 0; i < 1100; ++i)
        t.AdmitLink("/f" + std::to_string(i) + ".gif", "http://p/", 0, s);
    ASSERT_EQ(t.linkCount, 1024);
    EXPECT_EQ(t.links[0].name, "f0.gif");
    EXPECT_EQ(t.links[1023].name, "f1023.gif");
}

TEST(LinkAdmission, AllFlagsOffAdmitsNothing) {
    Settings s = AllOn();
    s.harvestAvi = s.harvestMpeg = s.harvestAudio = s.harvestJpeg = 0;
    s.harvestGif = s.harvestHtml = s.harvestDoc = s.harvestZip = 0;
    LinkTable t;
    for (const char* link :
         {"a.jpg", "a.gif", "a.mpg", "a.htm", "a.avi", "a.mp3", "a.doc", "a.zip"})
        t.AdmitLink(link, "http://p/", 0, s);
    EXPECT_EQ(t.linkCount, 0);
}
