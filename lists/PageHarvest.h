#pragma once
// Harvesting one page, as "Get URL" and tarvik-cli both do it: fetch the page, then (only when
// that worked) empty the link table, scan the text by the classic or the modern rules (the one
// place that picks), admit every link found and put the records in ascending name order, the
// order of a fresh File List.

#include "harvest/LinkTable.h"
#include "harvest/MainBlock.h"
#include "harvest/PageScanner.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class InternetSession;
class PageText;
struct Settings;

class PageHarvest : private ScanListener {
public:
    // Told when a title element begins (with "") and when its text is complete.
    using TitleSink = std::function<void(const std::string&)>;

    PageHarvest(LinkTable& table, uint8_t& sortDescending, const Settings& settings);

    // Fetches `address` into `page` and harvests it. Under the modern rules the links resolve
    // against the address the fetch ended at, after redirects. False when the page could not be
    // opened; the table and the flag are then left as they were.
    bool Harvest(InternetSession& session, const std::string& address, PageText& page,
                 const TitleSink& onTitle = {});
    // The two halves of Harvest. Fetch touches only the session and `page`, so it may run on a
    // thread of its own while the window goes on; the scan follows on the caller's thread.
    bool Fetch(InternetSession& session, const std::string& address, PageText& page) const;
    void ScanFetched(const InternetSession& session, const std::string& address,
                     const PageText& page, const TitleSink& onTitle = {});
    // The part after a successful fetch: empties the table, scans `text` found at `address`
    // (answered with `contentType`), admits its links and sorts them by name.
    void Scan(std::string_view text, const std::string& address, const TitleSink& onTitle = {},
              std::string_view contentType = {});
    const std::string& Title() const { return title; }
    // Keeps the text of the modern rules' article, for ArticleText.
    void KeepArticleText() { keepArticle = true; }
    // The text a reader reads as the article of the page scanned last (modern rules, when kept).
    const std::string& ArticleText() const { return articleText; }
    // What kind of page it was under the modern rules: "article", "thread", "product",
    // "listing" or "other".
    const char* KindWord() const { return MainBlock::Word(kind); }

private:
    void OnLink(const std::string& value, const std::string& pageAddress,
                int32_t attributeKind) override;
    void OnTitleCleared() override;
    void OnTitle(const std::string& text) override;

    LinkTable& table;
    uint8_t& sortDescending;
    const Settings& settings;
    const TitleSink* titleSink = nullptr;
    std::string title;
    std::string articleText;
    MainBlock::Kind kind = MainBlock::Kind::Other;
    bool keepArticle = false;
};
