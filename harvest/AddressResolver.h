#pragma once
// Resolves the links of a page the standard way (RFC 3986, by libcurl's URL parser) against the
// page's base: "/x" from the server's root, dot segments removed, "//host/x" with the page's
// scheme, the query kept and the fragment dropped. Used by the modern rules.

#include "harvest/LinkResolver.h"

#include <curl/curl.h>
#include <optional>
#include <string>
#include <string_view>

class AddressResolver {
public:
    AddressResolver();
    ~AddressResolver();
    AddressResolver(const AddressResolver&) = delete;
    AddressResolver& operator=(const AddressResolver&) = delete;

    // Makes `address` (absolute, or relative to the current base) the base of the links that
    // follow. False, leaving the base as it was, when it resolves to no http or https address.
    bool SetBase(std::string_view address);

    // `link` resolved against the base: its server (host[:port]), its absolute path with the
    // query, its service (0 HTTP, 2 HTTPS). Nothing for an empty link, a link to a place in the
    // page itself ("#x"), any scheme other than http and https (data:, javascript:, mailto:...)
    // and what the parser refuses.
    std::optional<ResolvedLink> Resolve(std::string_view link) const;

private:
    // The link as a browser reads it: outer blanks and inner tabs and line breaks removed.
    static std::string Cleaned(std::string_view link);
    CURLU* Parse(std::string_view link) const;

    CURLU* base = nullptr;
};
