#pragma once
// Finds a page's article in its element tree: paragraphs of prose score the elements around
// them, the best-scored element (less its link text) is climbed while its parents keep most of
// its score and joined by its strong siblings, so the article is one container with its lead
// picture and figures. What a reader skips inside it (forms, share bars, author boxes, link
// lists) is marked too. When the first try keeps too little text, it tries again with fewer
// rules, as a page whose article carries odd class names needs. Linear in the page.

#include "harvest/PageTree.h"

#include <cstdint>
#include <vector>

class ArticleFinder {
public:
    // A page whose best block holds fewer characters than this has no article.
    static constexpr uint32_t minimumText = 250;
    // A block found under every rule is the article from this many characters; a block found
    // by relaxing them needs 500.
    static constexpr uint32_t shortArticle = 350;
    // Under Spread, a block scoring this share of the best block's score joins it (a product's
    // description, its details and its specifications; a service page's sections).
    static constexpr float spreadShare = 0.2f;

    struct Article {
        std::vector<int32_t> roots; // the block and the siblings joined to it; empty: none
        int32_t top = -1;           // the block the siblings joined
        std::vector<uint8_t> in;    // per node: inside a root
        std::vector<uint8_t> cut;   // per node: inside, but no part of the text a reader reads
        uint32_t text = 0;          // characters of the text a reader reads
    };

    enum Rules : uint8_t {
        StripUnlikely = 1,
        WeighClasses = 2,
        CleanConditionally = 4,
        KeepBylines = 8, // a post's author and date are part of it
        Spread = 16,     // the page's other strong blocks join the best one
        Unfold = 32,     // hidden parts are read too, but dialogs and hidden menus
    };

    // The article; a block with less text than `minimum` is none.
    static Article Find(const PageTree& tree, uint32_t minimum = minimumText, uint8_t extra = 0);
    // The text a reader reads inside blocks chosen otherwise (a thread's posts, a listing's
    // items), in the page's order, under `rules`.
    static Article Within(const PageTree& tree, std::vector<int32_t> roots, uint8_t rules);

private:
    struct Stats;
    static std::vector<Stats> Measure(const PageTree& tree, uint8_t rules);
    static Article Try(const PageTree& tree, uint8_t rules);
    // Adds the strong candidates that neither hold nor stand in a root, in the page's order.
    static void JoinStrongBlocks(const PageTree& tree, const std::vector<Stats>& s,
                                 const std::vector<int32_t>& candidates, Article& article);
    static void Mark(const PageTree& tree, const std::vector<Stats>& s, uint8_t rules,
                     Article& article);
};
