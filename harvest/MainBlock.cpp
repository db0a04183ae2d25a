#include "harvest/MainBlock.h"

#include "harvest/AlikeBlocks.h"
#include "harvest/ArticleText.h"
#include "harvest/PlaceWords.h"

#include <algorithm>

namespace {

// The page's main region (a main element, or role=main; else the element its id names the main
// content): the first one, as a page marks one; -1 when it marks none.
int32_t MainRegion(const PageTree& tree) {
    const std::vector<PageTree::Node>& nodes = tree.Nodes();
    for (std::size_t i = 0; i < nodes.size(); ++i)
        if (nodes[i].landmark == PageTree::Main)
            return static_cast<int32_t>(i);
    return tree.NamedMain();
}

// Cuts from a thread's text what frames each message: the paragraphs too short to say anything
// and ending no sentence (the author's name, the date, buttons, counts and badges), and the
// member's signature.
void CutPostFrames(const PageTree& tree, ArticleFinder::Article& posts) {
    const std::vector<PageTree::Node>& nodes = tree.Nodes();
    const std::vector<int32_t> paragraph = ArticleText::Paragraphs(tree);
    std::vector<uint32_t> text(nodes.size(), 0);
    std::vector<uint8_t> sentence(nodes.size(), 0);
    std::vector<uint8_t> signature(nodes.size(), 0);
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const int32_t parent = nodes[i].parent;
        signature[i] = (nodes[i].Words() & PlaceWords::Signature) != 0 ||
                       (parent >= 0 && signature[static_cast<std::size_t>(parent)]);
        if (signature[i] && posts.in[i])
            posts.cut[i] = 1;
    }
    for (std::size_t i = 0; i < nodes.size(); ++i)
        if (posts.in[i] && !posts.cut[i]) {
            const auto p = static_cast<std::size_t>(paragraph[i]);
            text[p] += nodes[i].ownText;
            sentence[p] |= nodes[i].HasFlag(PageTree::Sentence);
        }
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const auto p = static_cast<std::size_t>(paragraph[i]);
        if (posts.in[i] && text[p] > 0 && text[p] < MainBlock::postFrame && !sentence[p])
            posts.cut[i] = 1;
    }
}

// The innermost element that holds every one of `blocks`.
int32_t CommonContainer(const PageTree& tree, const std::vector<int32_t>& blocks) {
    const std::vector<PageTree::Node>& nodes = tree.Nodes();
    std::vector<uint8_t> above(nodes.size(), 0); // the first block and its ancestors
    for (int32_t at = blocks.front(); at >= 0; at = nodes[static_cast<std::size_t>(at)].parent)
        above[static_cast<std::size_t>(at)] = 1;
    // Parents stand before their children: the outermost meeting point holds them all.
    int32_t common = blocks.front();
    for (const int32_t block : blocks) {
        int32_t at = block;
        while (at >= 0 && !above[static_cast<std::size_t>(at)])
            at = nodes[static_cast<std::size_t>(at)].parent;
        common = std::min(common, at);
    }
    return common;
}

} // namespace

const char* MainBlock::Word(Kind kind) {
    switch (kind) {
    case Kind::Article:
        return "article";
    case Kind::Thread:
        return "thread";
    case Kind::Product:
        return "product";
    case Kind::Listing:
        return "listing";
    case Kind::Other:
        break;
    }
    return "other";
}

MainBlock::Found MainBlock::Find(const PageTree& tree) {
    Found found = Decide(tree);
    // A page that calls itself an article is read as its article; any other but a thread, with
    // what the page puts around its block in its main region: a product's name over its
    // gallery, a listing's filters and count, a service's lead line.
    if (found.kind != Kind::Thread && !tree.DeclaresArticle())
        ReadMainRegion(tree, found);
    return found;
}

MainBlock::Found MainBlock::Decide(const PageTree& tree) {
    Found found;
    ArticleFinder::Article article = ArticleFinder::Find(tree, 0);
    const AlikeBlocks alike(tree);
    // Posts a reader reads in turn: the article found is one of them, or holds them as its
    // own text (an article's comments are cut from it).
    auto isThread = [&](const std::vector<int32_t>& posts) {
        if (posts.empty())
            return false;
        // A page that says it is a discussion, and no article, is read as its posts.
        if (article.roots.empty() || (tree.DeclaresDiscussion() && !tree.DeclaresArticle()))
            return true;
        if (2 * alike.TextOf(posts) < article.text)
            return false;
        if (alike.Inside(article.top, posts))
            return true;
        const auto kept = std::count_if(posts.begin(), posts.end(), [&](int32_t p) {
            return article.in[static_cast<std::size_t>(p)] &&
                   !article.cut[static_cast<std::size_t>(p)];
        });
        return kept >= 2 && static_cast<std::size_t>(2 * kept) >= posts.size();
    };
    // A shop's reviews are signed posts too, and yet the page is its product's.
    if (std::vector<int32_t> posts = alike.Posts();
        isThread(posts) && (!tree.OffersProduct() || tree.DeclaresDiscussion())) {
        found.kind = Kind::Thread;
        found.block = ArticleFinder::Within(tree, std::move(posts), ArticleFinder::KeepBylines);
        found.teasers = alike.Teasers(found.block);
        // Only the printed text: the pictures keep the posts whole.
        if (tree.KeepsText())
            CutPostFrames(tree, found.block);
        return found;
    }
    // A product's page: its name and details are short and apart, so any strong block is taken.
    if (tree.OffersProduct()) {
        found.kind = Kind::Product;
        found.block = ArticleFinder::Find(tree, 0, ArticleFinder::Spread);
        found.teasers = alike.Teasers(found.block);
        return found;
    }
    // A listing's items: the article found holds most of them and is mostly their text; or,
    // unless a full article stands beside them, the article is one of them or they hold more
    // than twice its text.
    if (std::vector<int32_t> items = alike.Items();
        !items.empty() &&
        ((alike.Holds(article.top, items) * 2 >= items.size() &&
          5 * alike.TextOf(items) >= 4 * uint64_t{article.text}) ||
         (article.text < fullArticle &&
          (article.text < ArticleFinder::minimumText || alike.Inside(article.top, items) ||
           alike.TextOf(items) > 2 * uint64_t{article.text})))) {
        found.kind = Kind::Listing;
        found.block = ArticleFinder::Within(tree, std::move(items), ArticleFinder::KeepBylines);
        return found;
    }
    found.kind = article.text >= ArticleFinder::shortArticle ? Kind::Article : Kind::Other;
    if (tree.KeepsText() &&
        (found.kind == Kind::Other || (!tree.DeclaresArticle() && article.text < spreadBelow))) {
        // A page of several blocks apart (a service's sections) reads as all of them.
        ArticleFinder::Article all =
            ArticleFinder::Find(tree, ArticleFinder::minimumText, ArticleFinder::Spread);
        if (!all.roots.empty())
            found.textOnly = std::move(all);
    }
    if (article.text < ArticleFinder::minimumText)
        article.roots.clear();
    found.block = std::move(article);
    if (found.kind == Kind::Article)
        found.teasers = alike.Teasers(found.block);
    return found;
}

void MainBlock::ReadMainRegion(const PageTree& tree, Found& found) {
    if (!tree.KeepsText() || found.block.roots.empty())
        return;
    // A listing or a product that marks no main region is read with the container of its items
    // or blocks: a listing's heading, count and filters; a product's name and price.
    int32_t region = MainRegion(tree);
    if (region < 0 && (found.kind == Kind::Listing || found.kind == Kind::Product))
        region = CommonContainer(tree, found.block.roots);
    if (region < 0)
        return;
    // The page's own word beats the block found, unless its region holds too little to read;
    // what it folds away (a shop's filters, a tab, a "more" fold) is a click from the reader.
    ArticleFinder::Article main =
        ArticleFinder::Within(tree, {region}, ArticleFinder::KeepBylines | ArticleFinder::Unfold);
    if (main.text >= ArticleFinder::minimumText)
        found.textOnly = std::move(main);
}
