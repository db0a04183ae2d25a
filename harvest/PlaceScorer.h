#pragma once
// Finds where a page's main content stands and what place each picture has, in the same pass
// as the scanner: the scanner tells it every element and text, and notes each picture's signals.
// Once the page is read, paragraphs score their ancestors (prose, commas, class and id words,
// less link text), the best block is climbed and joined by strong siblings, and a picture is
// content when it stands in that block, or, on a page with no article, anywhere outside the
// furniture; furniture (navigation, footer, aside, comments, ads, share buttons, icons) and
// trackers are named by the document's structure, words and declared sizes.

#include "harvest/PicturePlace.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// What a picture itself says of its place, noted while the page is read.
struct PictureSignals {
    int32_t node = -1; // the element it stands in
    int32_t width = 0; // declared, 0 when not
    int32_t height = 0;
    bool hidden = false;      // display:none, visibility:hidden, the hidden attribute
    bool onlyMeta = false;    // a share card: og:image, twitter:image, link rel=image_src
    bool linksToPage = false; // inside a link to another page
    uint32_t words = 0;       // furniture words of its own (class, id, alt), as Word flags
    std::string linkHref;     // the link to another page it stands in, as written; empty: none
};

class PlaceScorer {
public:
    static constexpr std::size_t maxNodes = 200000;

    // An element begins (attribute pairs as the parser gives them) or ends.
    void Open(std::string_view name, const char* const* attributes);
    void Close();
    void Text(std::string_view text);
    // The element a picture found now stands in; whether an open link leads to another page.
    int32_t Current() const { return open.empty() ? -1 : open.back(); }
    bool InLinkToPage() const { return linkDepth > 0; }
    // The furniture words of a text (class, id, alt, an address), as flags.
    static uint32_t WordsOf(std::string_view text);

    // Finds the main block; call once the page is read.
    void Finish();
    bool HasArticle() const { return !block.empty(); }
    // The place of a picture at `address`.
    PicturePlace PlaceOf(const PictureSignals& picture, std::string_view address) const;

private:
    struct Node {
        int32_t parent;
        uint32_t words;   // furniture words of its class and id
        uint8_t kind;     // the structural kind of the element itself
        bool list;        // ul, ol
        bool article;     // article, main
        float score = 0;  // from the paragraphs inside it
        float weight = 0; // from its tag, class and id
        uint32_t text = 0;
        uint32_t linkText = 0;
        uint32_t commas = 0;
        bool paragraph = false;
    };
    float Final(const Node& n) const;
    uint32_t CachedWordsOf(std::string_view text);
    bool InBlock(int32_t node) const;

    std::vector<Node> nodes;
    std::vector<int32_t> open;    // the open elements that have nodes
    std::vector<bool> opened;     // per open element: did it get a node
    int linkDepth = 0;            // open links to other pages
    int anchorDepth = 0;          // open links of any kind: their text is link text
    std::vector<bool> linkOpen;   // per open element: is it a link to a page
    std::vector<bool> anchorOpen; // per open element: is it a link
    std::vector<int32_t> block;   // the main block: a node and its strong siblings
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view t) const {
            return std::hash<std::string_view>{}(t);
        }
    };
    std::unordered_map<std::string, uint32_t, Hash, std::equal_to<>> wordCache;
};
