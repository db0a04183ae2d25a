#include "harvest/LinkTable.h"

#include "harvest/LinkResolver.h"

std::string LinkTable::LinkFileName(const std::string& link) {
    const std::size_t separator = link.find_last_of("/\\");
    std::string name = separator == std::string::npos ? link : link.substr(separator + 1);
    const std::size_t dot = name.find('.');
    if (dot != std::string::npos) {
        const std::size_t query = name.find('?', dot);
        if (query != std::string::npos)
            name.erase(query);
    }
    return name;
}

void LinkTable::AdmitLink(const std::string& link, const std::string& pageAddress,
                          int32_t attributeKind, const Settings& settings) {
    const FileCategory category = ClassifyLink(link, settings);
    if (linkCount >= capacity || category == FileCategory::Excluded)
        return;
    ResolvedLink resolved = ResolveLink(pageAddress, link);
    for (int32_t i = 0; i < linkCount; ++i)
        if (links[i].path == resolved.path)
            return;
    LinkEntry& entry = links[linkCount];
    entry.category = category;
    entry.name = LinkFileName(link);
    entry.attributeKind = attributeKind;
    entry.size = 0;
    entry.server = std::move(resolved.server);
    entry.path = std::move(resolved.path);
    entry.service = resolved.service;
    ++linkCount;
}

void LinkTable::CompactLinks() {
    CompactExcluded(links, linkCount);
}

bool LinkTable::Append(LinkEntry entry) {
    if (linkCount >= Capacity()) {
        ++leftOut;
        return false;
    }
    if (links.size() <= static_cast<std::size_t>(linkCount))
        links.resize(static_cast<std::size_t>(linkCount) + 1);
    links[linkCount++] = std::move(entry);
    return true;
}

std::string LinkTable::FollowAddress(const LinkEntry& entry) const {
    const std::string scheme = entry.service == 2 ? "https://" : modernRows ? "http://" : "";
    return scheme + entry.server + (modernRows ? "" : "/") + entry.path;
}
