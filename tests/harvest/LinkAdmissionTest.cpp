#include "harvest/FileCategory.h"
#include "harvest/LinkTable.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>

namespace {

const Settings allOn = Settings::Defaults();

} // namespace

TEST(LinkAdmission, FirstMatchingGroupDecides) {
    using C = FileCategory;
    // clang-format off
    const std::pair<const char*, FileCategory> cases[] = {
        {"PHOTO.JPG", C::Jpeg}, {"Photo.Jpeg", C::Jpeg}, {"image.jfif", C::Jpeg},
        {"/show.htm?img=a.jpg", C::Jpeg}, {"/get.html?file=a.zip", C::HtmlLink},
        {"/page.html#top", C::Excluded}, {"/page.htm#top", C::Excluded}, {"/page.html?x#top", C::HtmlLink},
        {"http://files.example.com.au/a.zip", C::Audio}, {"/report.docx", C::Doc}, {"/a.tar.gz", C::Zip},
        {"/m.mpg.avi", C::Mpeg}, {"/clip.avi", C::Avi}, {"/s.AIFF", C::Audio}, {"/anim.gif.zip", C::Gif},
        {"/a.css", C::Excluded}, {"", C::Excluded}};
    // clang-format on
    for (const auto& [link, expected] : cases)
        EXPECT_EQ(ClassifyLink(link, allOn), expected) << link;
}

TEST(LinkAdmission, EachFlagSwitchesItsOwnCategoryWithoutFallingThrough) {
    const std::pair<uint8_t Settings::*, const char*> cases[] = {
        {&Settings::harvestJpeg, "a.jpg"}, {&Settings::harvestGif, "a.gif.zip"},
        {&Settings::harvestMpeg, "a.mpg"}, {&Settings::harvestHtml, "get.html?f=a.zip"},
        {&Settings::harvestAvi, "a.avi"},  {&Settings::harvestAudio, "http://x.com.au/a.zip"},
        {&Settings::harvestDoc, "a.doc"},  {&Settings::harvestZip, "a.zip"}};
    for (const auto& [flag, link] : cases) {
        EXPECT_NE(ClassifyLink(link, allOn), FileCategory::Excluded) << link;
        Settings without = allOn;
        without.*flag = 0;
        EXPECT_EQ(ClassifyLink(link, without), FileCategory::Excluded) << link;
    }
}

TEST(LinkAdmission, FileNameIsTheLastComponentCutAtAQueryAfterADot) {
    // clang-format off
    const std::pair<const char*, const char*> cases[] = {
        {"/dir/", ""}, {"pic.jpg", "pic.jpg"}, {"/cgi/get?name=a.jpg", "get?name=a.jpg"},
        {"/img/a.jpg?size=2", "a.jpg"}, {"C:\\pics\\a.gif", "a.gif"}, {"a/b\\c.zip?x?y", "c.zip"}, {"", ""}};
    // clang-format on
    for (const auto& [link, name] : cases)
        EXPECT_EQ(LinkTable::LinkFileName(link), name) << link;
}

TEST(LinkAdmission, StoresResolvedRecordsKeyedByPath) {
    LinkTable t;
    t.AdmitLink("pics/Big.JPG?s=1", "http://Srv/d/index.html", 0, allOn);
    t.AdmitLink("a.css", "http://p/", 0, allOn);                     // no category: dropped
    t.AdmitLink("pics/Big.JPG?s=1", "http://two/d/x.htm", 1, allOn); // same path: dropped
    t.AdmitLink("http://one/b/Big.JPG", "http://p/", 1, allOn);      // same name, other path: kept
    t.AdmitLink("http://one/B/Big.JPG", "http://p/", 1, allOn);      // case differs: kept
    ASSERT_EQ(t.linkCount, 3);
    const LinkEntry& e = t.links[0];
    EXPECT_EQ(e.category, FileCategory::Jpeg);
    EXPECT_EQ(e.name, "Big.JPG");
    EXPECT_EQ(e.server, "Srv");
    EXPECT_EQ(e.path, "d/pics/Big.JPG?s=1");
    EXPECT_EQ(e.attributeKind, 0);
    EXPECT_EQ(t.links[2].path, "/B/Big.JPG");
    EXPECT_EQ(t.links[2].attributeKind, 1);

    for (int i = 0; i < 1100; ++i)
        t.AdmitLink("/f" + std::to_string(i) + ".gif", "http://p/", 0, allOn);
    ASSERT_EQ(t.linkCount, 1024);
    EXPECT_EQ(t.links[1023].name, "f1020.gif");
}
