#pragma once
// The File List's records: a table of the links harvested from the current page (1,024 under
// the classic rules, 10,000 under the modern ones), in admission order (or in the order of the
// last sort).

#include "harvest/LinkEntry.h"
#include "net/CookieJar.h"
#include "net/ReferrerPolicy.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Settings;

class LinkTable {
public:
    static constexpr int32_t capacity = 1024;        // the classic rules' File List
    static constexpr int32_t modernCapacity = 10000; // the modern rules' (with next pages)
    int32_t Capacity() const { return modernRows ? modernCapacity : capacity; }

    LinkTable() : links(capacity) {}

    // Classifies `link`, derives its file name, resolves it against `pageAddress` and appends
    // it, unless its category is Excluded, the table is full or its path is already present.
    // Rejections are silent.
    void AdmitLink(const std::string& link, const std::string& pageAddress, int32_t attributeKind,
                   const Settings& settings);

    // Appends `entry` as it is; false (counting it in leftOut) when the table is full. The
    // modern rules admit this way, having checked the entry themselves.
    bool Append(LinkEntry entry);

    // Removes every record marked Excluded, keeping the order of the others.
    void CompactLinks();

    // The address that following the HTML link `entry` fetches: server, "/" and path (with
    // "https://" in front for HTTPS), or for the modern rows their whole address.
    std::string FollowAddress(const LinkEntry& entry) const;

    // The page a row was found on, sent as its Referer under the modern rules: the page behind
    // a link for a row that came from one, else the table's page; empty under the classic rules.
    const std::string& PageOf(const LinkEntry& entry) const {
        static const std::string none;
        return !modernRows ? none : entry.page.empty() ? pageAddress : entry.page;
    }

    // The name a link's file gets: the text after its last '/' or '\', cut before the first
    // '?' that follows a '.'.
    static std::string LinkFileName(const std::string& link);

    // At least `capacity` records (more as modern rows are appended); the first linkCount count.
    std::vector<LinkEntry> links;
    int32_t linkCount = 0;
    int32_t leftOut = 0; // rows the full table could not take
    // True when the rows were harvested by the modern rules: a row is then told apart by its
    // whole address (service, server, path), and its path is absolute.
    bool modernRows = false;
    // The address the rows were harvested from (after redirects under the modern rules).
    std::string pageAddress;
    std::string pageTitle; // the page's title, for name masks
    // Modern rules: the page that continues the last page read (empty: none), and the next
    // pages whose rows joined the table, in the order read.
    std::string nextPage;
    std::vector<std::string> nextPagesRead;
    // Modern rules: the rows numbered 1 to contentNumbers are content, numbered before the
    // others; next pages' content numbers on after them.
    uint32_t contentNumbers = 0;
    // The cookies of the page (modern rules): what was read for it and what its answers set;
    // a request made from the page carries its site's. Null: none.
    std::shared_ptr<const CookieJar> cookies;
    // What the page lets its requests tell of it (its header's, else its own meta's policy).
    ReferrerPolicy::Kind referrerPolicy = ReferrerPolicy::Kind::StrictOriginWhenCrossOrigin;
};
