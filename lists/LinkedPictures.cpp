#include "lists/LinkedPictures.h"

#include "harvest/ModernHarvest.h"
#include "harvest/PageText.h"

#include <algorithm>
#include <unordered_set>

namespace {

// The server (host[:port]) of an address.
std::string ServerOf(const std::string& address) {
    const std::size_t scheme = address.find("://");
    const std::size_t start = scheme == std::string::npos ? 0 : scheme + 3;
    return address.substr(start, address.find('/', start) - start);
}

std::string WithoutFragment(const std::string& address) {
    return address.substr(0, address.find('#'));
}

} // namespace

std::vector<std::string> LinkedPictures::Targets(const std::vector<int32_t>& selected) const {
    std::vector<std::string> targets;
    // The page itself, however its links name it, and its next pages are never read again.
    std::unordered_set<std::string> seen = {WithoutFragment(table.pageAddress)};
    seen.insert(table.nextPagesRead.begin(), table.nextPagesRead.end());
    auto add = [&](const LinkEntry& e) {
        const std::string address = WithoutFragment(table.FollowAddress(e));
        if (targets.size() < static_cast<std::size_t>(maxPages) && seen.insert(address).second)
            targets.push_back(address);
    };
    if (!table.modernRows)
        return targets;
    for (const int32_t row : selected)
        if (row >= 0 && row < table.linkCount &&
            table.links[row].category == FileCategory::HtmlLink)
            add(table.links[row]);
    if (!selected.empty())
        return targets;
    // The thumbnails of the page's own gallery (read before or not): content pictures inside a
    // link to a page of the same server.
    std::unordered_set<std::string> wrapping;
    for (int32_t i = 0; i < table.linkCount; ++i) {
        const LinkEntry& e = table.links[i];
        if (e.IsPicture() && !e.wrapPage.empty() &&
            (e.place == PicturePlace::Content || e.place == PicturePlace::Thumbnail))
            wrapping.insert(WithoutFragment(e.wrapPage));
    }
    const std::string server = ServerOf(table.pageAddress);
    for (int32_t i = 0; i < table.linkCount; ++i) {
        const LinkEntry& e = table.links[i];
        if (e.category == FileCategory::HtmlLink && e.server == server &&
            wrapping.count(WithoutFragment(table.FollowAddress(e))) != 0)
            add(e);
    }
    return targets;
}

int32_t LinkedPictures::Start(DownloadMonitor& monitor, const std::vector<int32_t>& selected) {
    pages = Targets(selected);
    read = failed = overflow = 0;
    running = !pages.empty();
    changed = running;
    monitor.DropLookUps(this);
    for (std::size_t i = 0; i < pages.size(); ++i)
        monitor.QueueLookUp(LookUpKind::Page, pages[i], table.pageAddress, this,
                            static_cast<int64_t>(i), table.cookies, table.referrerPolicy);
    return Total();
}

void LinkedPictures::Stop(DownloadMonitor& monitor) {
    if (running)
        monitor.DropLookUps(this);
    changed = changed || running;
    running = false;
}

bool LinkedPictures::TakeChanged() {
    const bool was = changed;
    changed = false;
    return was;
}

std::string LinkedPictures::ProgressText() const {
    if (running)
        return "Reading linked pages: " + std::to_string(read) + " of " + std::to_string(Total());
    std::string text =
        "Read " + std::to_string(read) + " of " + std::to_string(Total()) + " linked pages";
    if (failed > 0)
        text += ", " + std::to_string(failed) + " failed";
    if (overflow > 0)
        text += ", " + std::to_string(overflow) + " pictures beyond the File List";
    return text;
}

void LinkedPictures::OnLookUp(int64_t ticket, JobState state, DownloadJob& job) {
    static const LinkTable none;
    OnPageRead(static_cast<int32_t>(ticket), state == JobState::Finished, job.finalName,
               job.links ? *job.links : none);
}

void LinkedPictures::OnPageRead(int32_t index, bool ok, const std::string& finalAddress,
                                const LinkTable& behind) {
    if (index < 0 || index >= Total() || !running)
        return;
    ++read;
    running = read < Total();
    changed = true;
    if (!ok) {
        ++failed;
        return;
    }
    const std::string& address = finalAddress.empty() ? pages[index] : finalAddress;
    // The picture the thumbnail stands for: the page's largest content picture by declared
    // size, else its first content picture.
    const LinkEntry* best = nullptr;
    for (int32_t i = 0; i < behind.linkCount; ++i) {
        const LinkEntry& e = behind.links[i];
        if (!e.IsPicture() || e.place != PicturePlace::Content)
            continue;
        if (best == nullptr || int64_t{e.width} * e.height > int64_t{best->width} * best->height)
            best = &e;
    }
    if (best == nullptr)
        return;
    for (int32_t i = 0; i < table.linkCount; ++i) {
        LinkEntry& e = table.links[i];
        const bool itself = e.service == best->service && e.server == best->server &&
                            e.path == best->path; // a row is never its own thumbnail
        if (e.IsPicture() && WithoutFragment(e.wrapPage) == pages[index] && !itself)
            e.place = PicturePlace::Thumbnail; // no longer taken by Download All Pictures
    }
    for (int32_t i = 0; i < table.linkCount; ++i) {
        const LinkEntry& e = table.links[i];
        if (e.service == best->service && e.server == best->server && e.path == best->path)
            return; // listed already
    }
    LinkEntry row = *best;
    row.page = address;
    row.wrapPage.clear();
    // Named as the gallery's: the thumbnail's place and the gallery's title, whichever page
    // answers first.
    row.number = 0;
    row.title = table.pageTitle.empty() ? "untitled" : table.pageTitle;
    for (int32_t i = 0; i < table.linkCount && row.number == 0; ++i)
        if (table.links[i].IsPicture() && WithoutFragment(table.links[i].wrapPage) == pages[index])
            row.number = table.links[i].number, row.pageIndex = table.links[i].pageIndex;
    if (!table.Append(std::move(row)))
        ++overflow;
}
