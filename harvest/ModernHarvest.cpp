#include "harvest/ModernHarvest.h"

#include "harvest/AddressResolver.h"
#include "harvest/NextPage.h"

#include <algorithm>
#include <unordered_set>

std::string ModernHarvest::AddressKey(const ResolvedLink& link) {
    return std::to_string(link.service) + link.server + link.path;
}

void ModernHarvest::Scan(std::string_view page, const std::string& pageAddress,
                         const TitleSink& onTitle, std::string_view contentType) {
    found.clear();
    relNext.clear();
    candidates = 0;
    baseHref.clear();
    hasBase = false;
    titleSink = onTitle ? &onTitle : nullptr;
    scorer = PlaceScorer(keepText);
    ModernScanner::ScanPage(page, *this, contentType, &scorer);
    scorer.Finish();
    titleSink = nullptr;
    // A base element counts for every link of the page, also those above it, so links are
    // resolved once the whole page has been read.
    Admit(pageAddress);
    found.clear();
}

void ModernHarvest::OnBase(const std::string& href) {
    baseHref = href;
    hasBase = true;
}

void ModernHarvest::OnLink(std::vector<SrcCandidate> candidates, LinkContext context,
                           const PictureSignals& signals) {
    // Far more than a File List holds, even after duplicates; a page of millions of links
    // costs no more memory than this.
    if (found.size() >= maxFound)
        return;
    if (this->candidates + candidates.size() > maxCandidates && candidates.size() > 1)
        candidates = {std::move(candidates[ModernScanner::Largest(candidates)])};
    this->candidates += candidates.size();
    candidates.shrink_to_fit(); // a long srcset's room is not kept for the few it named
    found.push_back({std::move(candidates), context, signals, {}, {}});
}

void ModernHarvest::OnLinkText(std::string_view text) {
    // Kept as it comes, up to a few times what a name takes; collapsed when admitted.
    if (!found.empty() && found.back().context == LinkContext::Anchor &&
        found.back().text.size() < 4 * ModernScanner::textLimit)
        found.back().text.append(text.substr(0, 4 * ModernScanner::textLimit));
}

void ModernHarvest::OnLinkLabel(std::string_view label) {
    if (!found.empty() && found.back().context == LinkContext::Anchor)
        found.back().label = ModernScanner::Collapsed(label, ModernScanner::textLimit);
}

void ModernHarvest::OnRelNext(std::string_view href) {
    if (relNext.size() < 8)
        relNext.emplace_back(href);
}

std::string ModernHarvest::NextPageOf(const AddressResolver& resolver,
                                      const std::string& pageAddress) const {
    const std::optional<ResolvedLink> page = resolver.Resolve(pageAddress);
    if (!page)
        return {};
    NextPage next(*page);
    for (const std::string& href : relNext)
        if (const std::optional<ResolvedLink> r = resolver.Resolve(href))
            next.OfferRel(*r);
    if (!next.Chosen().empty())
        return next.Chosen();
    // Only a link that says "next" or has a number in it can be one: the others are not
    // resolved again.
    for (const Found& f : found) {
        if (f.context != LinkContext::Anchor || f.candidates.empty())
            continue;
        const std::string& href = f.candidates[0].address;
        const bool says = NextPage::SaysNext(f.text) || NextPage::SaysNext(f.label);
        if (says || href.find_first_of("0123456789") != std::string::npos)
            if (const std::optional<ResolvedLink> r = resolver.Resolve(href))
                next.OfferLink(*r, says ? f.text : "", says ? f.label : "");
    }
    return next.Chosen();
}

void ModernHarvest::OnReferrerPolicy(std::string_view value) {
    if (const auto policy = ReferrerPolicy::Parse(value))
        table.referrerPolicy = *policy;
}

void ModernHarvest::OnTitle(const std::string& title) {
    if (titleSink != nullptr)
        (*titleSink)(title);
}

std::string ModernHarvest::AddressText(const ResolvedLink& link) {
    return std::string(link.service == 2 ? "https://" : "http://") + link.server + link.path;
}

std::string ModernHarvest::WithoutTracking(const std::string& path) {
    const std::size_t query = path.find('?');
    if (query == std::string::npos)
        return path;
    std::string kept;
    for (std::size_t at = query + 1; at <= path.size();) {
        const std::size_t end = std::min(path.find('&', at), path.size());
        const std::string_view field = std::string_view(path).substr(at, end - at);
        const std::string_view key = field.substr(0, field.find('='));
        const bool tracking = key.rfind("utm_", 0) == 0 || key == "fbclid" || key == "gclid" ||
                              key == "mc_cid" || key == "mc_eid";
        if (!tracking && !field.empty())
            kept += (kept.empty() ? "?" : "&") + std::string(field);
        at = end + 1;
    }
    return path.substr(0, query) + kept;
}

namespace {

std::string WithoutFragment(const std::string& address) {
    return address.substr(0, address.find('#'));
}

// The width a srcset candidate names; 0 for none, and for a linked file of unknown size.
int32_t ChosenWidth(const SrcCandidate& c) {
    return c.width > 0 && c.width < 1e9 ? static_cast<int32_t>(c.width) : 0;
}

} // namespace

void ModernHarvest::Admit(const std::string& pageAddress) {
    AddressResolver resolver;
    if (!resolver.SetBase(pageAddress))
        return;
    if (hasBase)
        resolver.SetBase(baseHref); // a base that does not resolve leaves the page's own
    table.nextPage = NextPageOf(resolver, pageAddress);

    // Every listed row's address, and for a picture the addresses of all its sizes. Links to
    // pages are admitted last, so that on a crowded page they give way to pictures and media.
    // Each key names the row it went to (-1: a row of a page link, kept for later), so that an
    // address is content when any of its occurrences is.
    std::unordered_map<std::string, int32_t> seen;
    std::vector<std::pair<std::string, LinkEntry>> pages; // with their keys
    std::unordered_set<std::string> pageKeys;
    uint32_t rows = 0;
    std::vector<ResolvedLink> addresses;
    std::vector<SrcCandidate> usable;
    std::vector<std::string> keys;
    std::vector<FileCategory> categories;
    for (const Found& f : found) {
        // A full table takes no more: what is left is told as left out, duplicates and all,
        // without the cost of reading it.
        if (table.linkCount >= table.Capacity()) {
            table.leftOut +=
                static_cast<int32_t>(found.size() - static_cast<std::size_t>(&f - found.data()));
            break;
        }
        addresses.clear();
        usable.clear();
        keys.clear();
        categories.clear();
        for (const SrcCandidate& c : f.candidates) {
            std::optional<ResolvedLink> r = resolver.Resolve(c.address);
            if (!r)
                continue;
            if (f.context == LinkContext::Anchor)
                r->path = WithoutTracking(r->path);
            keys.push_back(AddressKey(*r));
            // The filters choose among a picture's sizes: the largest of a kind that is
            // harvested stands for it.
            const FileCategory category = ModernCategory::Classify(r->path, f.context, settings);
            if (category == FileCategory::Excluded)
                continue;
            categories.push_back(category);
            addresses.push_back(std::move(*r));
            usable.push_back(c);
        }
        if (addresses.empty())
            continue;
        const std::size_t best = ModernScanner::Largest(usable);
        ResolvedLink& chosen = addresses[best];
        const bool picture = f.context == LinkContext::Picture;
        // A link to the page itself leads nowhere else.
        PictureSignals signals = f.signals;
        if (signals.linksToPage)
            if (const std::optional<ResolvedLink> r = resolver.Resolve(signals.linkHref);
                r && WithoutFragment(AddressText(*r)) == WithoutFragment(pageAddress))
                signals.linksToPage = false, signals.linkHref.clear();
        const PicturePlace place = picture ? scorer.PlaceOf(signals, chosen.server + chosen.path,
                                                            ChosenWidth(usable[best]))
                                           : PicturePlace::None;
        LinkEntry entry;
        entry.category = categories[best];
        entry.place = place;
        if (picture) {
            // The declared size: the attributes, else the chosen width and their aspect ratio.
            const SrcCandidate& c = usable[best];
            const PictureSignals& s = signals;
            // A linked file's size is its own: the thumbnail's is not.
            const bool described = ChosenWidth(c) > 0;
            const bool linkedFile = c.width >= 1e9;
            entry.width = described ? ChosenWidth(c) : linkedFile ? 0 : s.width;
            entry.height = linkedFile    ? 0
                           : !described  ? s.height
                           : s.width > 0 ? static_cast<int32_t>(c.width * s.height / s.width)
                                         : 0;
            if (entry.width == 0 || entry.height == 0)
                entry.width = entry.height = 0;
            if (!s.linkHref.empty())
                if (const std::optional<ResolvedLink> r = resolver.Resolve(s.linkHref))
                    entry.wrapPage = AddressText(*r);
            // Its thumbnail comes from the smallest size that still fills one.
            // A linked full-size file's is the picture that stands for it.
            std::size_t small = best;
            for (std::size_t i = 0; i < usable.size(); ++i)
                if (usable[i].width >= previewWidth && usable[i].width < usable[small].width)
                    small = i;
            for (std::size_t i = 0; i < usable.size() && small == best && linkedFile; ++i)
                if (usable[i].width == 0)
                    small = i;
            if (small != best)
                entry.preview = AddressText(addresses[small]);
        }
        if (const auto listed =
                std::find_if(keys.begin(), keys.end(),
                             [&](const std::string& key) { return seen.count(key) != 0; });
            listed != keys.end()) {
            // An address is content when any of its occurrences is, and takes its size.
            LinkEntry& row = table.links[std::max(seen[*listed], 0)];
            if (place == PicturePlace::Content && seen[*listed] >= 0 &&
                row.place != PicturePlace::None) {
                row.place = PicturePlace::Content;
                if (row.width == 0)
                    row.width = entry.width, row.height = entry.height;
            }
            continue;
        }
        if (entry.category == FileCategory::HtmlLink && !pageKeys.insert(keys.front()).second)
            continue; // the same page again
        entry.name = ModernCategory::FileName(chosen.path, entry.category);
        entry.attributeKind = f.context == LinkContext::Anchor ? 1 : 0;
        entry.server = std::move(chosen.server);
        entry.path = std::move(chosen.path);
        entry.service = chosen.service;
        entry.number = ++rows; // its place in the page's own order, until the rows are numbered
        entry.text =
            picture ? signals.text : ModernScanner::Collapsed(f.text, ModernScanner::textLimit);
        if (entry.category == FileCategory::HtmlLink) {
            pages.emplace_back(std::move(keys.front()), std::move(entry));
            continue;
        }
        const int32_t row = table.linkCount;
        table.Append(std::move(entry));
        for (std::string& key : keys)
            seen.emplace(std::move(key), row);
    }
    for (auto& [key, entry] : pages)
        if (seen.emplace(key, -1).second)
            table.Append(std::move(entry));
    // Numbered once the places are known, without gaps: the page's own content first, then
    // every other row, each in the page's order.
    std::vector<LinkEntry*> order;
    for (int32_t i = 0; i < table.linkCount; ++i)
        order.push_back(&table.links[i]);
    std::stable_sort(order.begin(), order.end(), [](const LinkEntry* a, const LinkEntry* b) {
        const bool ac = a->place == PicturePlace::Content, bc = b->place == PicturePlace::Content;
        return ac != bc ? ac : a->number < b->number;
    });
    uint32_t number = 0;
    for (LinkEntry* e : order)
        e->number = ++number;
    table.contentNumbers =
        static_cast<uint32_t>(std::count_if(order.begin(), order.end(), [](const LinkEntry* e) {
            return e->place == PicturePlace::Content;
        }));
}
