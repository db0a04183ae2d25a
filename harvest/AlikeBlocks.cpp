#include "harvest/AlikeBlocks.h"

#include "harvest/PlaceWords.h"

#include <algorithm>
#include <unordered_map>

namespace {

using Node = PageTree::Node;

// The elements a post or an item is made of; a paragraph, a list or a table holds them.
bool CanBeBlock(HtmlTag tag) {
    return tag == HtmlTag::Div || tag == HtmlTag::Li || tag == HtmlTag::Article ||
           tag == HtmlTag::Section || tag == HtmlTag::Tr || tag == HtmlTag::Other;
}

// A post names its author and its date, and may be edited, quoted or answered; a block with
// more is a list of posts.
constexpr uint32_t maxSigns = 8;

struct Group {
    uint32_t count = 0;
    uint32_t signedCount = 0;
    uint32_t itemCount = 0;
    uint64_t text = 0;
    int32_t lastEnd = 0; // a block before this node holds it
};

} // namespace

AlikeBlocks::AlikeBlocks(const PageTree& tree) : tree(tree) {
    const std::vector<Node>& nodes = tree.Nodes();
    const std::size_t count = nodes.size();
    sums.assign(count, {});
    for (std::size_t i = 0; i < count; ++i) {
        const Node& e = nodes[i];
        sums[i].out = e.HasFlag(PageTree::Hidden) || e.landmark == PageTree::Nav ||
                      e.landmark == PageTree::Footer || e.landmark == PageTree::Aside ||
                      (e.parent >= 0 && sums[static_cast<std::size_t>(e.parent)].out);
    }
    for (std::size_t i = count; i-- > 0;) {
        const Node& e = nodes[i];
        Sums& x = sums[i];
        x.end = std::max(x.end, static_cast<int32_t>(i + 1));
        x.frame = x.frame || e.tag == HtmlTag::H1 || e.landmark == PageTree::Nav;
        x.furnished = x.furnished || x.frame || e.landmark == PageTree::Footer ||
                      e.landmark == PageTree::Header;
        if (!x.out) {
            x.text += e.ownText;
            x.signs += e.HasFlag(PageTree::Dated) || e.HasFlag(PageTree::Byline) ||
                       (e.Words() & PlaceWords::Author) != 0;
            x.links += e.HasFlag(PageTree::Anchor) && !e.HasFlag(PageTree::HashLink);
            x.shows += e.ownImages + (IsHeading(e.tag) ? 1u : 0u);
            x.images += e.ownImages;
            if (e.HasFlag(PageTree::ToPage))
                x.linkText = x.text;
        }
        if (e.parent < 0)
            continue;
        Sums& y = sums[static_cast<std::size_t>(e.parent)];
        y.end = std::max(y.end, x.end);
        y.frame = y.frame || x.frame;
        y.furnished = y.furnished || x.furnished;
        if (x.out)
            continue;
        y.text += x.text;
        y.signs += x.signs;
        y.links += x.links;
        y.shows += x.shows;
        y.images += x.images;
        y.linkText += x.linkText;
    }
    std::unordered_map<uint32_t, Group> groups;
    for (std::size_t i = 0; i < count; ++i) {
        const Node& e = nodes[i];
        const Sums& x = sums[i];
        if (x.out || !CanBeBlock(e.tag) || x.text == 0)
            continue;
        Group& g = groups[e.likeKey];
        if (static_cast<int32_t>(i) < g.lastEnd)
            continue; // inside a block of its kind: only the outermost counts
        g.lastEnd = x.end;
        ++g.count;
        g.text += x.text;
        g.signedCount += x.signs >= 1 && x.signs <= maxSigns && x.text >= 20 && !x.frame;
        g.itemCount += x.links >= 1 && x.shows >= 1 && !x.furnished;
    }
    uint64_t postText = 0, itemText = 0;
    for (const auto& [key, g] : groups) {
        if (g.count >= 2 && g.signedCount >= 2 && g.signedCount * 2 >= g.count && g.text >= 150 &&
            (g.text > postText || (g.text == postText && key < posts))) {
            posts = key;
            postText = g.text;
        }
        if (g.count >= minItems && g.itemCount * 5 >= g.count * 4 &&
            (g.text > itemText || (g.text == itemText && key < items))) {
            items = key;
            itemText = g.text;
        }
    }
}

std::vector<int32_t> AlikeBlocks::Members(uint32_t key) const {
    std::vector<int32_t> members;
    if (key == 0)
        return members;
    const std::vector<Node>& nodes = tree.Nodes();
    int32_t lastEnd = 0;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const Sums& x = sums[i];
        if (nodes[i].likeKey != key || x.out || !CanBeBlock(nodes[i].tag) || x.text == 0 ||
            static_cast<int32_t>(i) < lastEnd)
            continue;
        lastEnd = x.end;
        members.push_back(static_cast<int32_t>(i));
    }
    return members;
}

uint64_t AlikeBlocks::TextOf(const std::vector<int32_t>& blocks) const {
    uint64_t text = 0;
    for (const int32_t b : blocks)
        text += sums[static_cast<std::size_t>(b)].text;
    return text;
}

bool AlikeBlocks::Inside(int32_t node, const std::vector<int32_t>& blocks) const {
    const auto after = std::upper_bound(blocks.begin(), blocks.end(), node);
    return after != blocks.begin() && node < sums[static_cast<std::size_t>(*(after - 1))].end;
}

std::size_t AlikeBlocks::Holds(int32_t node, const std::vector<int32_t>& blocks) const {
    if (node < 0)
        return 0;
    const auto from = std::lower_bound(blocks.begin(), blocks.end(), node);
    const auto to = std::lower_bound(from, blocks.end(), sums[static_cast<std::size_t>(node)].end);
    return static_cast<std::size_t>(to - from);
}

std::vector<uint8_t> AlikeBlocks::Teasers(const ArticleFinder::Article& block) const {
    const std::vector<Node>& nodes = tree.Nodes();
    const std::size_t count = nodes.size();
    // A teaser: a picture, a few words, and a link to another page that carries most of them
    // (a link to the picture's own file is a gallery's).
    auto looksLikeTeaser = [&](std::size_t i) {
        const Sums& x = sums[i];
        return !x.out && x.images >= 1 && x.text > 0 && x.text <= teaserText &&
               2 * x.linkText >= x.text && !x.frame;
    };
    // The block's own words, teasers aside: cards between them are the block's own (a
    // service's offers, a guide's steps); a rail stands before or after them.
    std::vector<uint8_t> teaser(count, 0);
    std::size_t first = count, last = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const int32_t parent = nodes[i].parent;
        teaser[i] = looksLikeTeaser(i) || (parent >= 0 && teaser[static_cast<std::size_t>(parent)]);
        if (!teaser[i] && i < block.in.size() && block.in[i] && !block.cut[i] &&
            nodes[i].ownText > 0) {
            first = std::min(first, i);
            last = i;
        }
    }
    auto inRail = [&](std::size_t i) {
        return looksLikeTeaser(i) && (first == count || i < first || i > last);
    };
    std::unordered_map<uint64_t, uint32_t> runs; // (parent, like key): teasers among them
    auto keyOf = [&](std::size_t i) {
        return (static_cast<uint64_t>(static_cast<uint32_t>(nodes[i].parent)) << 32) |
               nodes[i].likeKey;
    };
    for (std::size_t i = 0; i < count; ++i)
        if (nodes[i].parent >= 0 && inRail(i))
            ++runs[keyOf(i)];
    std::vector<uint8_t> in(count, 0);
    for (std::size_t i = 0; i < count; ++i) {
        const int32_t parent = nodes[i].parent;
        in[i] = parent >= 0 &&
                (in[static_cast<std::size_t>(parent)] || (inRail(i) && runs[keyOf(i)] >= 3));
    }
    return in;
}
