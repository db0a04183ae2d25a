#include "harvest/ModernHarvest.h"

#include "harvest/AddressResolver.h"

#include <algorithm>
#include <unordered_set>

std::string ModernHarvest::AddressKey(const ResolvedLink& link) {
    return std::to_string(link.service) + link.server + link.path;
}

void ModernHarvest::Scan(std::string_view page, const std::string& pageAddress,
                         const TitleSink& onTitle, std::string_view contentType) {
    found.clear();
    baseHref.clear();
    hasBase = false;
    titleSink = onTitle ? &onTitle : nullptr;
    ModernScanner::ScanPage(page, *this, contentType);
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

void ModernHarvest::OnLink(std::vector<SrcCandidate> candidates, LinkContext context) {
    // Far more than a File List holds, even after duplicates; a page of millions of links
    // costs no more memory than this.
    if (found.size() < maxFound)
        found.push_back({std::move(candidates), context});
}

void ModernHarvest::OnTitle(const std::string& title) {
    if (titleSink != nullptr)
        (*titleSink)(title);
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

void ModernHarvest::Admit(const std::string& pageAddress) {
    AddressResolver resolver;
    if (!resolver.SetBase(pageAddress))
        return;
    if (hasBase)
        resolver.SetBase(baseHref); // a base that does not resolve leaves the page's own

    // Every listed row's address, and for a picture the addresses of all its sizes. Links to
    // pages are admitted last, so that on a crowded page they give way to pictures and media.
    std::unordered_set<std::string> seen;
    std::vector<std::pair<std::string, LinkEntry>> pages; // with their keys
    std::vector<ResolvedLink> addresses;
    std::vector<SrcCandidate> usable;
    std::vector<std::string> keys;
    std::vector<FileCategory> categories;
    for (const Found& f : found) {
        if (table.linkCount >= LinkTable::capacity)
            return;
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
        if (addresses.empty() || std::any_of(keys.begin(), keys.end(), [&](const std::string& key) {
                return seen.count(key) != 0;
            }))
            continue;
        const std::size_t best = ModernScanner::Largest(usable);
        ResolvedLink& chosen = addresses[best];
        LinkEntry entry;
        entry.category = categories[best];
        entry.name = ModernCategory::FileName(chosen.path, entry.category);
        entry.attributeKind = f.context == LinkContext::Anchor ? 1 : 0;
        entry.server = std::move(chosen.server);
        entry.path = std::move(chosen.path);
        entry.service = chosen.service;
        if (entry.category == FileCategory::HtmlLink) {
            pages.emplace_back(std::move(keys.front()), std::move(entry));
            continue;
        }
        table.Append(std::move(entry));
        seen.insert(keys.begin(), keys.end());
    }
    for (auto& [key, entry] : pages)
        if (table.linkCount < LinkTable::capacity && seen.insert(key).second)
            table.Append(std::move(entry));
}
