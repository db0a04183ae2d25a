#pragma once
// Decides the place of each picture on a page, in the same pass as the scanner: the scanner
// tells it every element and text, and notes each picture's own signals. Once the page is read
// the article is found (ArticleFinder), and every element's place is worked out once, parents
// before children, so each picture's place is a look-up: linear in the page however deep it is.

#include "harvest/ArticleFinder.h"
#include "harvest/MainBlock.h"
#include "harvest/PageTree.h"
#include "harvest/PicturePlace.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a picture itself says of its place, noted while the page is read.
struct PictureSignals {
    int32_t node = -1; // the element it stands in
    int32_t width = 0; // declared, 0 when not
    int32_t height = 0;
    bool hidden = false;      // display:none, visibility:hidden, the hidden attribute
    bool onlyMeta = false;    // a share card: og:image, twitter:image, link rel=image_src
    bool linksToPage = false; // inside a link to another page
    uint32_t words = 0;       // the PlaceWords of its own class and id
    std::string linkHref;     // the link to another page it stands in, as written; empty: none
    std::string text;         // its alt text, blanks collapsed, at most 200 bytes
};

class PlaceScorer {
public:
    // A picture this large on a side is a real picture, never a tracker or an icon.
    static constexpr int32_t largeSide = 400;

    // `keepText`: keep the page's text, so that ArticleText can be asked for.
    explicit PlaceScorer(bool keepText = false) : tree(keepText) {}

    // An element begins (attribute pairs as the parser gives them) or ends; text.
    void Open(std::string_view name, const char* const* attributes) { tree.Open(name, attributes); }
    void Close() { tree.Close(); }
    void Text(std::string_view text) { tree.Text(text); }
    // The element a picture found now stands in; whether an open link leads to another page.
    int32_t Current() const { return tree.Current(); }
    bool InLinkToPage() const { return tree.InLinkToPage(); }

    // Finds the article and every element's place; call once the page is read.
    void Finish();
    bool HasArticle() const { return !article.roots.empty(); }
    // What kind of page it is, once finished.
    MainBlock::Kind Kind() const { return kind; }
    // The text a reader reads as the article; empty without one, or without kept text.
    std::string ArticleText() const;
    // The place of a picture at `address` (server and path), whose chosen size is `chosenSide`
    // on its larger side (0: unknown).
    PicturePlace PlaceOf(const PictureSignals& picture, std::string_view address,
                         int32_t chosenSide = 0) const;

private:
    // What the elements around a node say, from below the first element that holds the article.
    struct Around {
        uint32_t words = 0;
        uint8_t landmark = 0;   // the nearest navigation, footer or aside
        uint8_t header = 0;     // the nearest header: 1 the site's, 2 the article's
        bool inArticle = false; // inside an article or main element
        bool beside = false;    // in the article's own container, beside it (a lead picture)
    };

    PageTree tree;
    ArticleFinder::Article article;
    MainBlock::Kind kind = MainBlock::Kind::Other;
    std::vector<uint8_t> teasers;                   // per node: in a teaser rail inside the block
    std::optional<ArticleFinder::Article> textOnly; // read, but no block for the pictures
    std::vector<Around> around;
};
