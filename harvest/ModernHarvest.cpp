#include "harvest/ModernHarvest.h"

#include "harvest/AddressResolver.h"

#include <algorithm>
#include <unordered_set>

std::string ModernHarvest::AddressKey(const ResolvedLink& link) {
    return std::to_string(link.service) + link.server + link.path;
}

void ModernHarvest::Scan(std::string_view page, const std::string& pageAddress,
                         const TitleSink& onTitle) {
    found.clear();
    baseHref.clear();
    hasBase = false;
    titleSink = onTitle ? &onTitle : nullptr;
    ModernScanner::ScanPage(page, *this);
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

void ModernHarvest::Admit(const std::string& pageAddress) {
    AddressResolver resolver;
    if (!resolver.SetBase(pageAddress))
        return;
    if (hasBase)
        resolver.SetBase(baseHref); // a base that does not resolve leaves the page's own

    // Every listed row's address, and for a picture the addresses of all its sizes.
    std::unordered_set<std::string> seen;
    std::vector<ResolvedLink> addresses;
    std::vector<SrcCandidate> usable;
    std::vector<std::string> keys;
    for (const Found& f : found) {
        if (table.linkCount >= LinkTable::capacity)
            return;
        addresses.clear();
        usable.clear();
        keys.clear();
        for (const SrcCandidate& c : f.candidates) {
            if (std::optional<ResolvedLink> r = resolver.Resolve(c.address)) {
                keys.push_back(AddressKey(*r));
                addresses.push_back(std::move(*r));
                usable.push_back(c);
            }
        }
        if (addresses.empty())
            continue;
        if (std::any_of(keys.begin(), keys.end(),
                        [&](const std::string& key) { return seen.count(key) != 0; }))
            continue;
        const std::size_t best = ModernScanner::Largest(usable);
        ResolvedLink& chosen = addresses[best];
        const FileCategory category = ModernCategory::Classify(chosen.path, f.context, settings);
        if (category == FileCategory::Excluded)
            continue;
        LinkEntry entry;
        entry.category = category;
        entry.name = ModernCategory::FileName(chosen.path, category);
        entry.attributeKind = f.context == LinkContext::Anchor ? 1 : 0;
        entry.server = std::move(chosen.server);
        entry.path = std::move(chosen.path);
        entry.service = chosen.service;
        table.Append(std::move(entry));
        seen.insert(keys.begin(), keys.end());
    }
}
