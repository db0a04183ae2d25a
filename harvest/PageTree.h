#pragma once
// The elements of one page as the scan meets them, kept flat: a parent always stands before its
// children. Each keeps what finding the article and placing pictures need (tag, landmark, class
// and id words, hidden or not, the text directly inside); the text itself only when asked for.

#include "harvest/HtmlTag.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class PageTree {
public:
    static constexpr std::size_t maxNodes = 200000;

    enum Flag : uint16_t {
        Hidden = 1 << 0,    // display:none, visibility:hidden, hidden, aria-hidden (but a folded
                            // panel's and a wrapper's that hides most of the page until its
                            // scripts run), a dialog over the page or one not opened
        Dated = 1 << 1,     // a time element, or itemprop datePublished and the like
        Anchor = 1 << 2,    // an a with an href
        HashLink = 1 << 3,  // an a whose href only moves within the page
        Byline = 1 << 4,    // rel=author, itemprop author
        DataTable = 1 << 5, // a table of data, not of layout
        UnlikelyRole = 1 << 6,
        Sentence = 1 << 7,   // its own text ends a sentence
        Unscripted = 1 << 8, // inside a noscript: what a reader without scripts sees
        ToPage = 1 << 9,     // an a whose href leads to another page, not to a picture file
    };

    struct Node {
        int32_t parent = -1;
        HtmlTag tag = HtmlTag::Other;
        uint8_t landmark = 0; // Landmark
        uint16_t flags = 0;
        uint32_t classWords = 0; // PlaceWords flags of the class attribute
        uint32_t idWords = 0;    // and of the id
        uint32_t classKey = 0;   // a hash of the class attribute, 0 when it has none
        uint32_t likeKey = 0;    // a hash of the tag and the first class name: alike blocks
        uint32_t ownText = 0;    // characters of text directly inside
        uint32_t ownCommas = 0;
        uint16_t ownImages = 0; // img directly inside
        uint16_t ownInputs = 0;
        uint16_t ownEmbeds = 0;
        uint16_t elements = 0; // child elements, void ones included
        bool HasFlag(Flag f) const { return (flags & f) != 0; }
        uint32_t Words() const { return classWords | idWords; }
    };
    // The structural kind of an element: its tag or its landmark role.
    enum Landmark : uint8_t { Plain, Nav, Footer, Aside, Header, Main };

    // Text is kept as runs, each in the element it stands in, and line breaks as empty runs.
    struct Run {
        int32_t node;
        uint32_t begin;
        uint32_t end; // begin == end: a line break
    };

    explicit PageTree(bool keepText = false) : keepText(keepText) {}

    void Open(std::string_view name, const char* const* attributes);
    void Close();
    void Text(std::string_view text);
    // Once the page is read: a hidden element that holds more text than all the page shows is
    // shown, as its scripts show it; a page whose noscript copies hold more text than the rest
    // of it is made by scripts, and its noscript copies are what a reader reads; on any other
    // page their text is no text.
    void Settle();
    bool ReadsNoscript() const { return readsNoscript; }
    // The page offers a product: a Product in its JSON-LD or microdata, a price, og:type product.
    bool OffersProduct() const { return offersProduct; }
    // The page says it is an article: og:type article, an Article, NewsArticle or BlogPosting
    // in its JSON-LD or microdata.
    bool DeclaresArticle() const { return declaresArticle; }
    // The page says it is a discussion: a DiscussionForumPosting or a QAPage.
    bool DeclaresDiscussion() const { return declaresDiscussion; }
    // The first element whose id names it the main content ("main", "main-content"); -1: none.
    int32_t NamedMain() const { return namedMain; }

    // The element open now; -1 before the first.
    int32_t Current() const { return open.empty() ? -1 : open.back(); }
    bool InLinkToPage() const { return linkDepth > 0; }
    bool KeepsText() const { return keepText; }
    const std::vector<Node>& Nodes() const { return nodes; }
    const std::vector<Run>& Runs() const { return runs; }
    std::string_view RunText(const Run& r) const {
        return std::string_view(text).substr(r.begin, r.end - r.begin);
    }

    static const char* AttributeOf(const char* const* attributes, const char* name);
    // Hidden by its `hidden` attribute, as the page is shown once its scripts have run.
    static bool HiddenAttribute(const char* const* attributes);

private:
    uint32_t CachedWordsOf(std::string_view text);
    void RevealScriptedWrapper();

    std::vector<Node> nodes;
    std::vector<int32_t> open;   // the open elements that have nodes
    std::vector<uint8_t> opened; // per open element: got a node, is a page link, is a link
    int linkDepth = 0;           // open links to other pages
    int anchorDepth = 0;         // open links of any kind
    int skipDepth = 0;           // open script, style, template: their text is no text
    int noscriptDepth = 0;
    int jsonDepth = 0; // open JSON-LD scripts, read for a Product
    uint64_t unscriptedText = 0;
    uint64_t shownText = 0;
    bool readsNoscript = false;
    bool offersProduct = false;
    bool declaresArticle = false;
    bool declaresDiscussion = false;
    int32_t namedMain = -1;
    bool keepText;
    std::vector<Run> runs;
    std::string text;
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view t) const {
            return std::hash<std::string_view>{}(t);
        }
    };
    std::unordered_map<std::string, uint32_t, Hash, std::equal_to<>> wordCache;
};
