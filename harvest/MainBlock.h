#pragma once
// The block a reader came to a page for, and what kind of page it is, decided in one pass over
// its structure: a thread's signed posts, a product offered for sale, a listing of alike items
// each a link with a picture or a heading, an article of prose; any other page takes its best
// block by the article's rules. A page with none of these has no block.

#include "harvest/ArticleFinder.h"
#include "harvest/PageTree.h"

#include <cstdint>
#include <optional>
#include <vector>

class MainBlock {
public:
    enum class Kind : uint8_t { Article, Thread, Product, Listing, Other };
    // An article of this many characters is what a reader came for, whatever lists stand
    // beside it.
    static constexpr uint32_t fullArticle = 1500;
    // A page that does not call itself an article and whose best block holds less than this
    // is read as all its strong blocks (a service's sections, a guide's parts).
    static constexpr uint32_t spreadBelow = 3000;
    // A thread's paragraph of fewer characters that ends no sentence frames a message (its
    // author, its date, a button) and is no part of it.
    static constexpr uint32_t postFrame = 30;
    // "article", "thread", "product", "listing", "other".
    static const char* Word(Kind kind);

    struct Found {
        Kind kind = Kind::Other;
        ArticleFinder::Article block; // no roots: the page has no block
        std::vector<uint8_t> teasers; // per node: in a teaser rail; empty on a listing
        // The text of a page read as its main region, or as all its strong blocks, when it
        // differs from the block's; the pictures keep the rule of the block, or of a page
        // without one.
        std::optional<ArticleFinder::Article> textOnly;
    };
    static Found Find(const PageTree& tree);

private:
    static Found Decide(const PageTree& tree);
    static void ReadMainRegion(const PageTree& tree, Found& found);
};
