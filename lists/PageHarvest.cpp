#include "lists/PageHarvest.h"

#include "harvest/ModernHarvest.h"
#include "harvest/PageText.h"
#include "lists/FileListSort.h"
#include "net/InternetSession.h"
#include "settings/Settings.h"

PageHarvest::PageHarvest(LinkTable& table, uint8_t& sortDescending, const Settings& settings)
    : table(table), sortDescending(sortDescending), settings(settings) {}

bool PageHarvest::Harvest(InternetSession& session, const std::string& address, PageText& page,
                          const TitleSink& onTitle) {
    if (!Fetch(session, address, page))
        return false;
    ScanFetched(session, address, page, onTitle);
    return true;
}

bool PageHarvest::Fetch(InternetSession& session, const std::string& address,
                        PageText& page) const {
    page.UseModernRules(settings.modernRules != 0);
    return session.FetchPage(address, page);
}

void PageHarvest::ScanFetched(const InternetSession& session, const std::string& address,
                              const PageText& page, const TitleSink& onTitle) {
    const bool modern = settings.modernRules != 0 && !session.FinalAddress().empty();
    // The page's own meta element may name another policy than its header.
    table.referrerPolicy = ReferrerPolicy::Parse(session.Header("Referrer-Policy"))
                               .value_or(ReferrerPolicy::Kind::StrictOriginWhenCrossOrigin);
    Scan({page.Text(), static_cast<std::size_t>(page.Length())},
         modern ? session.FinalAddress() : address, onTitle, session.ContentType());
}

void PageHarvest::Scan(std::string_view text, const std::string& address, const TitleSink& onTitle,
                       std::string_view contentType) {
    table.linkCount = 0;
    table.leftOut = 0;
    table.nextPage.clear(); // what the last page led on to is not this page's
    table.nextPagesRead.clear();
    table.contentNumbers = 0;
    sortDescending = 1;
    title.clear();
    table.modernRows = settings.modernRules != 0;
    table.pageAddress = address;
    articleText.clear();
    kind = MainBlock::Kind::Other;
    if (table.modernRows) {
        ModernHarvest harvest(table, settings);
        if (keepArticle)
            harvest.KeepArticleText();
        harvest.Scan(
            text, address,
            [&](const std::string& t) {
                title = t;
                if (onTitle)
                    onTitle(title);
            },
            contentType);
        articleText = harvest.ArticleText();
        kind = harvest.Kind();
    } else {
        titleSink = onTitle ? &onTitle : nullptr;
        PageScanner::ScanPage(text, address, *this);
        titleSink = nullptr;
    }
    table.pageTitle = title;
    FileListSort::SortFileList(table, sortDescending, table.linkCount, 0, true, false);
}

void PageHarvest::OnLink(const std::string& value, const std::string& pageAddress,
                         int32_t attributeKind) {
    table.AdmitLink(value, pageAddress, attributeKind, settings);
}

void PageHarvest::OnTitleCleared() {
    OnTitle({});
}

void PageHarvest::OnTitle(const std::string& text) {
    title = text;
    if (titleSink != nullptr)
        (*titleSink)(title);
}
