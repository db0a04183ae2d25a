#pragma once
// Finds the runs of blocks alike in kind (one tag, one first class name) that make a page what it
// is: a thread's posts, each signed by an author or a date, and a listing's items, each a link
// with a picture or a heading. Only the outermost block of a kind counts; hidden blocks and the
// page's navigation, footer and asides hold none. Linear in the page.

#include "harvest/ArticleFinder.h"
#include "harvest/PageTree.h"

#include <cstdint>
#include <vector>

class AlikeBlocks {
public:
    // A listing has at least this many items.
    static constexpr uint32_t minItems = 5;
    // A teaser holds at most this many characters: a headline and a line.
    static constexpr uint32_t teaserText = 300;

    explicit AlikeBlocks(const PageTree& tree);

    // The posts of a thread in the page's order: the alike blocks with the most text of which
    // at least two, and most, carry one to four authors or dates; empty: none.
    std::vector<int32_t> Posts() const { return Members(posts); }
    // The items of a listing in the page's order; empty: none.
    std::vector<int32_t> Items() const { return Members(items); }

    // Per node: inside a teaser of a rail, a run of three or more alike siblings each a link to
    // another page around a picture and a heading or a few words, before or after `block`'s
    // own words (cards between them are the block's).
    std::vector<uint8_t> Teasers(const ArticleFinder::Article& block) const;

    // Characters of text inside `blocks`.
    uint64_t TextOf(const std::vector<int32_t>& blocks) const;
    // Whether `node` stands inside one of `blocks` (or is one).
    bool Inside(int32_t node, const std::vector<int32_t>& blocks) const;
    // How many of `blocks` stand inside `node`.
    std::size_t Holds(int32_t node, const std::vector<int32_t>& blocks) const;

private:
    struct Sums {
        uint32_t text = 0;
        uint32_t signs = 0; // authors and dates
        uint32_t links = 0;
        uint32_t shows = 0; // pictures and headings
        uint32_t images = 0;
        uint32_t linkText = 0;  // text inside links to other pages
        int32_t end = 0;        // the first node after its own
        bool out = false;       // hidden, or in the page's furniture
        bool frame = false;     // holds the page's headline or navigation: a part of the page
        bool furnished = false; // holds a header or a footer too (a post may, an item not)
    };
    std::vector<int32_t> Members(uint32_t key) const;

    const PageTree& tree;
    std::vector<Sums> sums;
    uint32_t posts = 0; // the like keys chosen, 0: none
    uint32_t items = 0;
};
