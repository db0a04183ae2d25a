#pragma once
// Reads a page with a real HTML parser (libxml2, in SAX mode) and reports what today's pages link
// to: every size and lazy-loading address of each picture (img, picture/source), video and audio
// sources and posters, a and area links, og:image and og:video, the first base address and the
// first title. Character references, comments, script text and broken mark-up are the parser's.

#include "harvest/ModernCategory.h"
#include "harvest/PlaceScorer.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// One address a picture can be fetched from, with its srcset descriptor.
struct SrcCandidate {
    std::string address;
    double width = 0;   // the "w" descriptor; 0 when it has none
    double density = 1; // the "x" descriptor; 1 when it has none
};

// Receives what the scan finds, in page order.
class ModernScanListener {
public:
    virtual ~ModernScanListener() = default;
    // The href of the first base element.
    virtual void OnBase(const std::string& href) = 0;
    // One thing the page links to: a picture with all its candidates (one row is listed for
    // all of them) and what it says of its place, or a single address.
    virtual void OnLink(std::vector<SrcCandidate> candidates, LinkContext context,
                        const PictureSignals& signals) = 0;
    // The text of the first title (outside SVG), blanks collapsed, at most 500 bytes.
    virtual void OnTitle(const std::string& title) = 0;
    // Text inside the link to a page reported last, while that link is open.
    virtual void OnLinkText(std::string_view text) = 0;
    // The content of a <meta name="referrer">.
    virtual void OnReferrerPolicy(std::string_view) {}
    // The href of a link or an a element whose rel holds "next".
    virtual void OnRelNext(std::string_view) {}
    // The aria-label of the link to a page reported last.
    virtual void OnLinkLabel(std::string_view) {}
};

class ModernScanner {
public:
    static constexpr std::size_t titleLimit = 500;
    // A picture is known by at most this many candidates; a hostile page's endless srcset
    // adds no more.
    static constexpr std::size_t maxCandidates = 64;

    // Reads `page` in the character set it declares (see PageCharset), whatever its bytes.
    // `scorer`, when given, is told the page's elements and text for the places of pictures.
    static void ScanPage(std::string_view page, ModernScanListener& listener,
                         std::string_view contentType = {}, PlaceScorer* scorer = nullptr);

    // Appends the candidates of a srcset value: an address is a run of non-blank characters
    // (trailing commas dropped, commas inside kept); its descriptor runs to the next comma
    // outside parentheses.
    static void AddSrcset(std::string_view srcset, std::vector<SrcCandidate>& out);
    // `text` with its blanks collapsed and trimmed, cut to `limit` bytes, never inside a
    // character.
    static std::string Collapsed(std::string_view text, std::size_t limit);
    static constexpr std::size_t textLimit = 200; // of an alt text or a link's text
    // The index of the candidate with the largest width, or, when none has a width, the largest
    // density; the first of equals. `candidates` must not be empty.
    static std::size_t Largest(const std::vector<SrcCandidate>& candidates);
};
