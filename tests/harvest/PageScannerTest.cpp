#include "harvest/PageScanner.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// Records every call of the scan as a line: "0:value", "1:value", "title:text", "title-".
class Recorder : public ScanListener {
public:
    void OnLink(const std::string& value, const std::string&, int32_t kind) override {
        calls.push_back(std::to_string(kind) + ":" + value);
    }
    void OnTitleCleared() override { calls.push_back("title-"); }
    void OnTitle(const std::string& title) override { calls.push_back("title:" + title); }
    std::vector<std::string> calls;
};

std::vector<std::string> Scan(const std::string& page) {
    Recorder r;
    PageScanner::ScanPage(page, "http://s/p.htm", r);
    return r.calls;
}

using Calls = std::vector<std::string>;

struct ScanCase {
    const char* what;
    std::string page;
    Calls expected;
};

class Scanner : public ::testing::TestWithParam<ScanCase> {};

} // namespace

TEST_P(Scanner, FindsExactlyThePatterns) {
    EXPECT_EQ(Scan(GetParam().page), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    PageScanner, Scanner,
    ::testing::Values(
        ScanCase{"single quotes", "<img src='a.jpg'>", {"0:a.jpg"}},
        ScanCase{"unquoted, mixed case, more attributes", "<Img Src=a.jpg width=10>", {"0:a.jpg"}},
        ScanCase{"double quotes", "<IMG SRC=\"a.jpg\">", {"0:a.jpg"}},
        ScanCase{"blanks around the equals sign", "<img src = 'a.jpg'>", {}},
        ScanCase{"attribute at the start of a joined line", "<imgsrc='a.jpg'>", {}},
        ScanCase{"anchor with target", "<a href='x.zip' target=_top>", {"1:x.zip"}},
        ScanCase{"area counts as an anchor", "<area href=map.htm>", {"1:map.htm"}},
        ScanCase{"link and frame are ignored", "<link href=s.css><frame src=f.htm>", {}},
        ScanCase{"empty quoted value", "<a href=''>", {"1:"}},
        ScanCase{"empty unquoted value", "<a href=>", {"1:"}},
        ScanCase{"escaped quotes in a script",
                 "document.write(\"<a href=\\\"x.zip\\\">\");",
                 {"1:x.zip"}},
        ScanCase{"SRC= inside another attribute of an anchor",
                 "<a title='see SRC=z' href='y.gif'>",
                 {"1:y.gif"}},
        ScanCase{"first match wins, even inside alt", "<img alt='x SRC=z' src='y.gif'>", {"0:z'"}},
        ScanCase{"HREF in an image and SRC in an anchor", "<img href=a.jpg><a src=b.jpg>", {}},
        ScanCase{"inside a comment", "<!-- <img src=c.gif> -->", {"0:c.gif"}},
        ScanCase{"blank, slash and bang start no tag", "< img src=a.jpg></img src=b.jpg>", {}},
        ScanCase{"doubled opening bracket", "<<img src=a.jpg>", {"0:a.jpg"}},
        ScanCase{"title", "<title>Holiday pictures</title>", {"title-", "title:Holiday pictures"}},
        ScanCase{"upper-case title", "<TITLE>T</TITLE>", {"title-", "title:T"}},
        ScanCase{"title with an attribute", "<TITLE lang=en>T</TITLE>", {}},
        ScanCase{"last title wins",
                 "<title>a</title><title>b</title>",
                 {"title-", "title:a", "title-", "title:b"}},
        ScanCase{"image right after the title",
                 "<title>t</title><img src=a.jpg>",
                 {"title-", "title:t", "0:a.jpg"}},
        ScanCase{"unterminated title ends the scan",
                 "<img src=a.jpg><title>never closed",
                 {"0:a.jpg", "title-"}},
        ScanCase{"unterminated tag ends the scan", "<a href=x.zip><img src=a.jpg", {"1:x.zip"}},
        ScanCase{"tab stays in the value", "<a href='a\tb.zip'>", {"1:a\tb.zip"}},
        ScanCase{"quoted blank stays", "<a href=\"my file.zip\">", {"1:my file.zip"}},
        ScanCase{"trailing backslash dropped", "<a href=x.zip\\>", {"1:x.zip"}},
        ScanCase{"unclosed quote runs to the end of the tag", "<a href='x.zip>", {"1:x.zip"}},
        ScanCase{"unclosed quote at the closing bracket", "<a href='>", {"1:"}},
        ScanCase{
            "scan stops at a NUL", std::string("<a href=a.zip>\0<a href=b.zip>", 29), {"1:a.zip"}},
        ScanCase{"abbr begins with A", "<abbr href=q.pdf>", {"1:q.pdf"}},
        ScanCase{"bracket at the very end", "text<", {}},
        ScanCase{"title at the very end", "<title", {}},
        ScanCase{"image name at the very end", "<im", {}}));

TEST(PageScanner, TitleIsCutAt500Characters) {
    const std::string text(600, 't');
    const Calls calls = Scan("<title>" + text + "</title>");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1], "title:" + text.substr(0, 500));
}

TEST(PageScanner, ValuesKeepTheirCaseAndEntities) {
    EXPECT_EQ(Scan("<A HREF=\"Pics/Big.JPG?a=1&amp;b=2\">"), Calls{"1:Pics/Big.JPG?a=1&amp;b=2"});
}

struct ValueCase {
    std::string tag;
    std::size_t match;
    std::size_t length;
    std::string expected;
};

class AttributeValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(AttributeValue, NeverReadsPastTheTagText) {
    const ValueCase& c = GetParam();
    EXPECT_EQ(PageScanner::ReadAttributeValue(c.tag, c.match, c.length), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    PageScanner, AttributeValue,
    ::testing::Values(ValueCase{"a href=\\'q'>", 1, 6, "q"}, ValueCase{"a href=", 1, 6, ""},
                      ValueCase{"a href=\\", 1, 6, ""}, ValueCase{"a href='abc", 1, 6, "abc"},
                      ValueCase{"a href=abc", 1, 6, "abc"}, ValueCase{"a", 1, 6, ""}));
