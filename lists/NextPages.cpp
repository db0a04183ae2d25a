#include "lists/NextPages.h"

#include <algorithm>
#include <unordered_map>

namespace {

std::string WithoutFragment(const std::string& address) {
    return address.substr(0, address.find('#'));
}

} // namespace

bool NextPages::Start(DownloadMonitor& monitor, int32_t limit) {
    Stop(monitor);
    this->monitor = &monitor;
    this->limit = std::clamp(limit, 0, maxLimit);
    read = failed = overflow = 0;
    const std::string& from =
        table.nextPagesRead.empty() ? table.pageAddress : table.nextPagesRead.back();
    running = table.modernRows && this->limit > 0 && Queue(monitor, table.nextPage, from);
    changed = running;
    return running;
}

bool NextPages::Queue(DownloadMonitor& monitor, const std::string& address,
                      const std::string& referer) {
    const std::string page = WithoutFragment(address);
    const auto& done = table.nextPagesRead;
    if (page.empty() || page == WithoutFragment(table.pageAddress) ||
        std::find(done.begin(), done.end(), page) != done.end())
        return false;
    reading = page;
    monitor.QueueLookUp(LookUpKind::Page, page, referer, this, read, table.cookies,
                        table.referrerPolicy);
    return true;
}

void NextPages::Stop(DownloadMonitor& monitor) {
    if (running)
        monitor.DropLookUps(this);
    changed = changed || running;
    running = false;
}

bool NextPages::TakeChanged() {
    const bool was = changed;
    changed = false;
    return was;
}

std::string NextPages::ProgressText() const {
    if (running)
        return "Reading next pages: " + std::to_string(read + 1) + " of at most " +
               std::to_string(limit);
    std::string text = "Read " + std::to_string(read - failed) +
                       (read - failed == 1 ? " next page" : " next pages");
    if (failed > 0)
        text += ", " + std::to_string(failed) + " failed";
    if (overflow > 0)
        text += ", " + std::to_string(overflow) + " rows beyond the File List";
    return text;
}

void NextPages::OnLookUp(int64_t ticket, JobState state, DownloadJob& job) {
    if (!running || ticket != read || monitor == nullptr)
        return;
    ++read;
    changed = true;
    running = false;
    if (state != JobState::Finished || !job.links) {
        ++failed;
        return;
    }
    const std::string address = job.finalName.empty() ? reading : WithoutFragment(job.finalName);
    // A page that redirects to one read already adds nothing and ends the run.
    const auto& done = table.nextPagesRead;
    if (address == WithoutFragment(table.pageAddress) ||
        std::find(done.begin(), done.end(), address) != done.end())
        return;
    table.nextPagesRead.push_back(address);
    Join(*job.links, address);
    table.nextPage = job.links->nextPage;
    running = read < limit && Queue(*monitor, table.nextPage, address);
}

void NextPages::Join(const LinkTable& page, const std::string& address) {
    // A row already listed (the site's logo, its menu) stays where it was.
    std::vector<const LinkEntry*> fresh;
    for (int32_t i = 0; i < page.linkCount; ++i) {
        const LinkEntry& e = page.links[i];
        const bool listed = std::any_of(
            table.links.begin(), table.links.begin() + table.linkCount, [&](const LinkEntry& t) {
                return t.service == e.service && t.server == e.server && t.path == e.path;
            });
        if (!listed)
            fresh.push_back(&e);
    }
    // Numbered on without gaps, the content before every other row as on one page: the new
    // content after the content listed, the other rows' numbers moved up to make room, the new
    // others last. The first page's content keeps its numbers whatever follows.
    const auto isContent = [&](const LinkEntry* e) { return e->number <= page.contentNumbers; };
    const auto added = static_cast<uint32_t>(std::count_if(fresh.begin(), fresh.end(), isContent));
    uint32_t last = 0;
    for (int32_t i = 0; i < table.linkCount; ++i) {
        LinkEntry& e = table.links[i];
        e.number += e.number > table.contentNumbers ? added : 0;
        last = std::max(last, e.number);
    }
    std::vector<const LinkEntry*> byNumber = fresh;
    std::stable_sort(byNumber.begin(), byNumber.end(),
                     [](const LinkEntry* a, const LinkEntry* b) { return a->number < b->number; });
    std::unordered_map<const LinkEntry*, uint32_t> numbers;
    uint32_t content = table.contentNumbers;
    for (const LinkEntry* e : byNumber)
        numbers[e] = isContent(e) ? ++content : ++last;
    table.contentNumbers = content;
    for (const LinkEntry* e : fresh) {
        LinkEntry row = *e;
        row.page = address;
        row.number = numbers[e];
        row.pageIndex = static_cast<int32_t>(table.nextPagesRead.size());
        if (!table.Append(std::move(row)))
            ++overflow;
    }
}
