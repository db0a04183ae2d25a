#pragma once
// The cookies of one read of a store, as the lines libcurl's cookie engine takes, kept by site
// (registrable domain): a request is handed its own site's cookies, found at once however many
// the store holds, and never another site's. Read-only once made, so the rows of a page share
// one.

#include "net/Cookie.h"

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

using CookieLines = std::vector<std::string>;

class CookieJar {
public:
    CookieJar() = default;
    // Filled a cookie at a time as the store is read, then sealed before it is shared.
    void Add(const Cookie& cookie);
    void Seal();

    // The cookies of `site`; empty when it has none.
    const CookieLines& OfSite(const std::string& site) const;
    // The cookies `address` itself would carry: its host, path and scheme allow them.
    std::size_t CountFor(const std::string& address) const;
    std::size_t Size() const { return count; }

    // This jar with the cookies of `sites` replaced by `after` (what the engine held after a
    // transfer loaded those sites: they, less what expired, and what the answers set).
    std::shared_ptr<const CookieJar> With(const std::vector<std::string>& sites,
                                          const CookieLines& after) const;

private:
    std::unordered_map<std::string, CookieLines> filling;
    // Shared between a jar and the ones made from it With() other cookies of a few sites.
    std::unordered_map<std::string, std::shared_ptr<const CookieLines>> bySite;
    std::size_t count = 0;
};
