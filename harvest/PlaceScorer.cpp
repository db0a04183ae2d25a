#include "harvest/PlaceScorer.h"

#include "harvest/ArticleText.h"
#include "harvest/MainBlock.h"
#include "harvest/PlaceWords.h"

#include <algorithm>
#include <optional>

namespace {

using namespace PlaceWords;

// Text enough to be prose: a wrapper with less is a bar, a box or a slot.
constexpr uint32_t proseText = 250;

// Servers that only count visits.
constexpr std::string_view trackingHosts[] = {
    "doubleclick.net",       "google-analytics.com",
    "googletagmanager.com",  "scorecardresearch.com",
    "quantserve.com",        "pixel.wp.com",
    "stats.wp.com",          "bat.bing.com",
    "analytics.twitter.com", "omtrdc.net",
    "chartbeat.net",         "mc.yandex.ru",
};

bool IsTrackingHost(std::string_view address) {
    std::string_view host = address.substr(0, address.find('/'));
    host = host.substr(0, host.find(':'));
    for (const std::string_view t : trackingHosts)
        if (host == t || (host.size() > t.size() && host.substr(host.size() - t.size()) == t &&
                          host[host.size() - t.size() - 1] == '.'))
            return true;
    return address.rfind("www.facebook.com/tr", 0) == 0;
}

// The place the first rule whose words are among `words` names.
struct WordPlace {
    uint32_t words;
    PicturePlace place;
};
constexpr WordPlace aroundWords[] = {{Comment, PicturePlace::Comments},
                                     {Ad, PicturePlace::Ad},
                                     {Share, PicturePlace::Share},
                                     {Related, PicturePlace::Related},
                                     {Nav, PicturePlace::Navigation}};
// Inside the article only a bar, a slot or a box names furniture; a block grown into the page's
// wrapper holds its footer too.
constexpr WordPlace blockWords[] = {
    {Footer, PicturePlace::Footer},   {Comment | Author, PicturePlace::Comments},
    {Ad, PicturePlace::Ad},           {Share, PicturePlace::Share},
    {Related, PicturePlace::Related}, {Nav, PicturePlace::Navigation}};
constexpr WordPlace ownWords[] = {{Author | Comment, PicturePlace::Comments},
                                  {Ad, PicturePlace::Ad},
                                  {Share, PicturePlace::Share},
                                  {Icon, PicturePlace::Icon}};

template <std::size_t N>
std::optional<PicturePlace> ByWords(uint32_t words, const WordPlace (&rules)[N]) {
    for (const WordPlace& r : rules)
        if (words & r.words)
            return r.place;
    return std::nullopt;
}

} // namespace

void PlaceScorer::Finish() {
    while (tree.Current() >= 0)
        tree.Close();
    tree.Settle();
    MainBlock::Found found = MainBlock::Find(tree);
    kind = found.kind;
    teasers = std::move(found.teasers);
    article = std::move(found.block);
    textOnly = std::move(found.textOnly);
    const std::vector<PageTree::Node>& nodes = tree.Nodes();
    const std::size_t count = nodes.size();
    // Children first: the text, the headline and the navigation each element holds.
    std::vector<uint32_t> text(count, 0);
    std::vector<uint8_t> holds(count, 0); // 1 a headline, 2 a navigation
    for (std::size_t i = count; i-- > 0;) {
        const PageTree::Node& e = nodes[i];
        text[i] += e.ownText;
        if (e.tag == HtmlTag::H1 && text[i] > 0)
            holds[i] |= 1;
        if (e.landmark == PageTree::Nav)
            holds[i] |= 2;
        if (e.parent >= 0) {
            text[static_cast<std::size_t>(e.parent)] += text[i];
            holds[static_cast<std::size_t>(e.parent)] |= holds[i];
        }
    }
    // The elements that hold the article (or, without one, the body) name no place.
    std::vector<uint8_t> above(count, 0);
    std::vector<int32_t> tops = article.roots;
    if (tops.empty())
        for (std::size_t i = 0; i < count && tops.empty(); ++i)
            if (nodes[i].tag == HtmlTag::Body)
                tops.push_back(static_cast<int32_t>(i));
    for (const int32_t top : tops)
        for (int32_t up = top; up >= 0 && !above[static_cast<std::size_t>(up)];
             up = nodes[static_cast<std::size_t>(up)].parent)
            above[static_cast<std::size_t>(up)] = 1;
    // The containers the article's blocks stand in.
    std::vector<uint8_t> holdsRoot(count, 0);
    for (const int32_t root : article.roots)
        if (const int32_t parent = nodes[static_cast<std::size_t>(root)].parent; parent >= 0)
            holdsRoot[static_cast<std::size_t>(parent)] = 1;
    around.assign(count, {});
    for (std::size_t i = 0; i < count; ++i) {
        const PageTree::Node& e = nodes[i];
        Around& a = around[i];
        const Around none;
        const Around& p = e.parent >= 0 ? around[static_cast<std::size_t>(e.parent)] : none;
        a.inArticle = p.inArticle || e.tag == HtmlTag::Article || e.landmark == PageTree::Main;
        if (above[i])
            continue;
        const int32_t parent = e.parent;
        a.beside = parent >= 0 && above[static_cast<std::size_t>(parent)]
                       ? HasArticle() && holdsRoot[static_cast<std::size_t>(parent)]
                       : p.beside;
        const bool inBlock = HasArticle() && article.in[i];
        a.words = p.words;
        // Inside the article only a wrapper without prose names furniture.
        if (!inBlock || text[i] < proseText)
            a.words |= e.Words();
        a.landmark = p.landmark;
        if (e.landmark == PageTree::Nav || e.landmark == PageTree::Footer ||
            e.landmark == PageTree::Aside)
            a.landmark = e.landmark;
        a.header = p.header;
        if (e.landmark == PageTree::Header || (e.Words() & Header))
            a.header = inBlock || holds[i] == 1 ? 2 : 1; // a headline and no menu: the article's
    }
}

std::string PlaceScorer::ArticleText() const {
    return ArticleText::Of(tree, textOnly ? *textOnly : article);
}

PicturePlace PlaceScorer::PlaceOf(const PictureSignals& p, std::string_view address,
                                  int32_t chosenSide) const {
    if (p.onlyMeta)
        return PicturePlace::Card;
    const int32_t declared = std::max(p.width, p.height);
    const bool large = std::max(declared, chosenSide) >= largeSide;
    // A tracker by its size, its server, or hidden with no size; never by words.
    if (!large &&
        ((declared > 0 && declared <= 3) || IsTrackingHost(address) || (p.hidden && declared == 0)))
        return PicturePlace::Tracker;
    const Around a = p.node >= 0 && static_cast<std::size_t>(p.node) < around.size()
                         ? around[static_cast<std::size_t>(p.node)]
                         : Around{};
    // The structure holds even inside the article.
    if (a.landmark == PageTree::Nav)
        return PicturePlace::Navigation;
    if (a.landmark == PageTree::Footer)
        return PicturePlace::Footer;
    if (a.landmark == PageTree::Aside)
        return PicturePlace::Aside;
    const bool inBlock =
        HasArticle() && p.node >= 0 && article.in[static_cast<std::size_t>(p.node)];
    if (inBlock) {
        // A rail of teasers inside the block leads to other pages.
        if (!teasers.empty() && teasers[static_cast<std::size_t>(p.node)])
            return PicturePlace::Related;
        uint32_t words = a.words | p.words;
        if (kind == MainBlock::Kind::Thread) {
            // The posts are the content: their avatars are icons, their signatures asides.
            if ((words & Author) && !large)
                return PicturePlace::Icon;
            if (words & Signature)
                return PicturePlace::Aside;
            words &= ~(Comment | Author);
        }
        if (const auto place = ByWords(words, blockWords))
            return *place;
        if (!large && (p.words & Icon))
            return PicturePlace::Icon;
        return PicturePlace::Content;
    }
    if (a.header == 1)
        return PicturePlace::Navigation; // a site's header, not an article's
    if (const auto place = ByWords(a.words, aroundWords))
        return *place;
    // A small picture that calls itself an avatar is one, even beside the article.
    if ((p.words & Author) && declared > 0 && declared <= 128)
        return PicturePlace::Comments;
    if (!large && address.size() >= 4 && address.substr(address.size() - 4) == ".ico")
        return PicturePlace::Icon;
    if (const auto place = ByWords(p.words, ownWords);
        place && (*place != PicturePlace::Icon || !large))
        return *place;
    // A large picture beside the article in its own container, not leading elsewhere, is
    // the article's lead picture.
    if (!HasArticle() || a.header == 2 || (a.beside && large && !p.linksToPage))
        return PicturePlace::Content;
    if (p.linksToPage)
        return PicturePlace::Related;
    return a.inArticle ? PicturePlace::Content : PicturePlace::Aside;
}
