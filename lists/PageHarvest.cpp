#include "lists/PageHarvest.h"

#include "harvest/InternetSession.h"
#include "harvest/PageText.h"
#include "lists/FileListSort.h"

PageHarvest::PageHarvest(LinkTable& table, uint8_t& sortDescending, const Settings& settings)
    : table(table), sortDescending(sortDescending), settings(settings) {}

bool PageHarvest::Harvest(InternetSession& session, const std::string& address, PageText& page,
                          const TitleSink& onTitle) {
    if (!session.FetchPage(address, page))
        return false;
    table.linkCount = 0;
    sortDescending = 1;
    title.clear();
    titleSink = onTitle ? &onTitle : nullptr;
    PageScanner::ScanPage({page.Text(), static_cast<std::size_t>(page.Length())}, address, *this);
    titleSink = nullptr;
    FileListSort::SortFileList(table, sortDescending, table.linkCount, 0, true, false);
    return true;
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
