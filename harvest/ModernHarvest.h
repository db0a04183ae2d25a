#pragma once
// The modern rules' harvest of one page: what the modern scanner finds is resolved against the
// page's base, classified, named and admitted into the link table, one row per address and one
// per picture, whatever number of sizes the picture comes in.

#include "harvest/LinkResolver.h"
#include "harvest/LinkTable.h"
#include "harvest/ModernScanner.h"
#include "harvest/PlaceScorer.h"

#include <functional>

class AddressResolver;
#include <string>
#include <string_view>
#include <vector>

struct Settings;

class ModernHarvest : private ModernScanListener {
public:
    static constexpr std::size_t maxFound = 65536; // links kept from one page
    // Sizes kept of all a page's pictures; past them a picture keeps only its largest.
    static constexpr std::size_t maxCandidates = 262144;
    // The narrowest size of a picture that gives its thumbnail.
    static constexpr int32_t previewWidth = 160;
    using TitleSink = std::function<void(const std::string&)>;

    ModernHarvest(LinkTable& table, const Settings& settings) : table(table), settings(settings) {}

    // Scans `page`, found at `pageAddress` (the address after redirects), and appends its links
    // to the table. `onTitle` is told the title when the page has one.
    // `contentType` is the answer's header, which may name the page's character set.
    void Scan(std::string_view page, const std::string& pageAddress, const TitleSink& onTitle,
              std::string_view contentType = {});

    // Keeps the page's text while scanning, so that ArticleText can be asked for.
    void KeepArticleText() { keepText = true; }
    // The text a reader reads as the article of the page scanned last; empty without one.
    std::string ArticleText() const { return scorer.ArticleText(); }
    MainBlock::Kind Kind() const { return scorer.Kind(); }

    // The whole address as one text: service, server and path with its query.
    static std::string AddressKey(const ResolvedLink& link);
    // The whole address as it is asked for: "http(s)://" + server + path.
    static std::string AddressText(const ResolvedLink& link);
    // `path` without the query fields that only track a visit (utm_*, fbclid, gclid, mc_cid,
    // mc_eid).
    static std::string WithoutTracking(const std::string& path);

private:
    struct Found {
        std::vector<SrcCandidate> candidates;
        LinkContext context;
        PictureSignals signals;
        std::string text;  // a link's text
        std::string label; // a link's aria-label
    };

    void OnBase(const std::string& href) override;
    void OnLink(std::vector<SrcCandidate> candidates, LinkContext context,
                const PictureSignals& signals) override;
    void OnTitle(const std::string& title) override;
    void OnReferrerPolicy(std::string_view value) override;
    void OnLinkText(std::string_view text) override;
    void OnLinkLabel(std::string_view label) override;
    void OnRelNext(std::string_view href) override;
    // The page that continues this one, among the links found.
    std::string NextPageOf(const AddressResolver& resolver, const std::string& pageAddress) const;
    void Admit(const std::string& pageAddress);

    LinkTable& table;
    const Settings& settings;
    const TitleSink* titleSink = nullptr;
    std::vector<Found> found;
    std::vector<std::string> relNext; // the first few hrefs marked rel="next"
    std::size_t candidates = 0;       // kept in `found`
    PlaceScorer scorer;
    std::string baseHref;
    bool hasBase = false;
    bool keepText = false;
};
