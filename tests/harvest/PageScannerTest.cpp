#include "harvest/PageScanner.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using Calls = std::vector<std::string>;

// Records every call of the scan as a line: "0:value", "1:value", "title:text", "title-".
class Recorder : public ScanListener {
public:
    void OnLink(const std::string& value, const std::string&, int32_t kind) override {
        calls.push_back(std::to_string(kind) + ":" + value);
    }
    void OnTitleCleared() override { calls.push_back("title-"); }
    void OnTitle(const std::string& title) override { calls.push_back("title:" + title); }
    Calls calls;
};

} // namespace

TEST(PageScanner, FindsExactlyThePatterns) {
    const std::pair<std::string, Calls> cases[] = {
        {"<img src='a.jpg'>", {"0:a.jpg"}},
        {"<Img Src=a.jpg width=10>", {"0:a.jpg"}},
        {"<img src = 'a.jpg'>", {}}, // blanks around '='
        {"<imgsrc='a.jpg'>", {}},    // attribute at the start of a joined line
        {"<a href='x.zip' target=_top>", {"1:x.zip"}},
        {"<area href=map.htm><abbr href=q.pdf>", {"1:map.htm", "1:q.pdf"}}, // begin with A
        {"<link href=s.css><frame src=f.htm>", {}},
        {"<a href=''><a href=>", {"1:", "1:"}},
        {"document.write(\"<a href=\\\"x.zip\\\">\");", {"1:x.zip"}}, // escaped quotes
        {"<a title='see SRC=z' href='y.gif'>", {"1:y.gif"}},
        {"<img alt='x SRC=z' src='y.gif'>", {"0:z'"}}, // the first match wins
        {"<img href=a.jpg><a src=b.jpg>", {}},
        {"<!-- <img src=c.gif> -->", {"0:c.gif"}},
        {"< img src=a.jpg></img src=b.jpg>", {}},
        {"<TITLE>Holiday pictures</TITLE>", {"title-", "title:Holiday pictures"}},
        {"<TITLE lang=en>T</TITLE>", {}},
        {"<title>a</title><title>b</title>", {"title-", "title:a", "title-", "title:b"}},
        {"<title>t</title><img src=a.jpg>", {"title-", "title:t", "0:a.jpg"}},
        {"<img src=a.jpg><title>never closed", {"0:a.jpg", "title-"}},
        {"<title>" + std::string(600, 't') + "</title>",
         {"title-", "title:" + std::string(500, 't')}},
        {"<a href=x.zip><img src=a.jpg", {"1:x.zip"}}, // an unterminated tag ends the scan
        {"<a href='a\tb.zip'><a href=\"my file.zip\">", {"1:a\tb.zip", "1:my file.zip"}},
        {"<a href=x.zip\\>", {"1:x.zip"}}, // trailing backslash dropped
        {"<a href='x.zip>", {"1:x.zip"}},  // an unclosed quote runs to the tag's end
        {"<A HREF=\"Pics/Big.JPG?a=1&amp;b=2\">", {"1:Pics/Big.JPG?a=1&amp;b=2"}},
        {std::string("<a href=a.zip>\0<a href=b.zip>", 29), {"1:a.zip"}}, // stops at a NUL
        {"text<", {}},
        {"<im", {}}};
    for (const auto& [page, expected] : cases) {
        Recorder r;
        PageScanner::ScanPage(page, "http://s/p.htm", r);
        EXPECT_EQ(r.calls, expected) << page;
    }
}

TEST(PageScanner, AttributeValueNeverReadsPastTheTagText) {
    const std::tuple<std::string, std::size_t, const char*> cases[] = {
        {"a href=\\'q'>", 1, "q"}, {"a href=", 1, ""},       {"a href=\\", 1, ""},
        {"a href='abc", 1, "abc"}, {"a href=abc", 1, "abc"}, {"a", 1, ""}};
    for (const auto& [tag, match, expected] : cases)
        EXPECT_EQ(PageScanner::ReadAttributeValue(tag, match, 6), expected) << tag;
}
