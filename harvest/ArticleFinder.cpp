#include "harvest/ArticleFinder.h"

#include "harvest/PlaceWords.h"

#include <algorithm>

namespace {

using Node = PageTree::Node;

// Where an element stands, by the elements above it.
enum Within : uint8_t { InTable = 1, InCode = 2, InFigure = 4 };

bool IsTag(const Node& n, std::initializer_list<HtmlTag> tags) {
    return std::find(tags.begin(), tags.end(), n.tag) != tags.end();
}

// Elements that make a div more than a paragraph.
bool IsBlockForParagraph(HtmlTag t) {
    return t == HtmlTag::Blockquote || t == HtmlTag::Dl || t == HtmlTag::Div || t == HtmlTag::Ol ||
           t == HtmlTag::P || t == HtmlTag::Pre || t == HtmlTag::Table || t == HtmlTag::Ul;
}

float TagScore(HtmlTag t) {
    switch (t) {
    case HtmlTag::Div:
        return 5;
    case HtmlTag::Pre:
    case HtmlTag::Td:
    case HtmlTag::Blockquote:
        return 3;
    case HtmlTag::Address:
    case HtmlTag::Ol:
    case HtmlTag::Ul:
    case HtmlTag::Dl:
    case HtmlTag::Dd:
    case HtmlTag::Dt:
    case HtmlTag::Li:
    case HtmlTag::Form:
        return -3;
    case HtmlTag::H1:
    case HtmlTag::H2:
    case HtmlTag::H3:
    case HtmlTag::H4:
    case HtmlTag::H5:
    case HtmlTag::H6:
    case HtmlTag::Th:
        return -5;
    default:
        return 0;
    }
}

// What the class and id names say of a block: +25 for each that names content, -25 for each
// that names furniture.
float ClassWeight(const Node& n) {
    using namespace PlaceWords;
    float weight = 0;
    for (const uint32_t words : {n.classWords, n.idWords}) {
        weight += (words & Negative) ? -25.0f : 0.0f;
        weight += (words & Content) ? 25.0f : 0.0f;
    }
    return weight;
}

} // namespace

struct ArticleFinder::Stats {
    uint32_t text = 0;
    float link = 0; // text inside links; in-page links count less
    uint32_t commas = 0;
    uint32_t phrasing = 0; // text of the phrasing content right inside
    uint32_t phrasingCommas = 0;
    uint32_t paragraphs = 0;
    uint32_t images = 0;
    uint32_t items = 0;
    uint32_t inputs = 0;
    uint32_t embeds = 0;
    uint32_t heading = 0;
    uint32_t list = 0;
    int32_t parent = -1;      // the parent once one-paragraph wrappers are gone
    uint16_t widestChild = 0; // the most child elements of one child
    bool block = false;       // holds a block: no paragraph of its own
    bool sentence = false;
    bool dropped = false;
    bool collapsed = false; // a div that only wraps one paragraph
    bool onlyParagraph = false;
    bool scored = false;
    bool dataTable = false;
    uint8_t within = 0;
    float score = 0;

    float LinkDensity() const { return text == 0 ? 0 : link / static_cast<float>(text); }
};

std::vector<ArticleFinder::Stats> ArticleFinder::Measure(const PageTree& tree, uint8_t rules) {
    using namespace PlaceWords;
    const std::vector<Node>& nodes = tree.Nodes();
    const std::size_t count = nodes.size();
    std::vector<Stats> s(count);

    // What a reader never sees, and what the rules leave out before scoring.
    for (std::size_t i = 0; i < count; ++i) {
        const Node& e = nodes[i];
        Stats& x = s[i];
        if (e.parent >= 0) {
            const Node& p = nodes[static_cast<std::size_t>(e.parent)];
            const Stats& y = s[static_cast<std::size_t>(e.parent)];
            x.dropped = y.dropped;
            x.within = y.within | (p.tag == HtmlTag::Table ? InTable : 0) |
                       (p.tag == HtmlTag::Code || p.tag == HtmlTag::Pre ? InCode : 0) |
                       (p.tag == HtmlTag::Figure ? InFigure : 0);
        }
        if (x.dropped)
            continue;
        // A region's folded parts (a shop's filters, a tab, a "more" fold) are a click away;
        // a dialog over the page is not its content.
        x.dropped =
            e.HasFlag(PageTree::Hidden) && (!(rules & Unfold) || e.HasFlag(PageTree::UnlikelyRole));
        if (rules & StripUnlikely) {
            const uint32_t words = e.Words();
            x.dropped =
                x.dropped || e.HasFlag(PageTree::UnlikelyRole) ||
                ((words & Unlikely) && !(words & Maybe) && !(x.within & (InTable | InCode)) &&
                 e.tag != HtmlTag::Body && e.tag != HtmlTag::A);
        }
    }
    // Sums over each element, children first: they always stand after their parents.
    for (std::size_t i = count; i-- > 0;) {
        Stats& x = s[i];
        if (x.dropped)
            continue;
        const Node& e = nodes[i];
        x.text += e.ownText;
        x.commas += e.ownCommas;
        x.phrasing += e.ownText;
        x.phrasingCommas += e.ownCommas;
        x.images += e.ownImages;
        x.inputs += e.ownInputs;
        x.embeds += e.ownEmbeds;
        x.block = x.block || e.ownImages > 0;
        x.sentence = x.sentence || e.HasFlag(PageTree::Sentence);
        if (e.HasFlag(PageTree::Anchor))
            x.link = static_cast<float>(x.text) * (e.HasFlag(PageTree::HashLink) ? 0.3f : 1.0f);
        x.paragraphs += e.tag == HtmlTag::P;
        x.items += e.tag == HtmlTag::Li;
        x.dataTable = x.dataTable || e.HasFlag(PageTree::DataTable);
        if (IsHeading(e.tag))
            x.heading = x.text;
        if (e.tag == HtmlTag::Ul || e.tag == HtmlTag::Ol)
            x.list = x.text;
        if (e.parent < 0)
            continue;
        Stats& y = s[static_cast<std::size_t>(e.parent)];
        y.text += x.text;
        y.link += x.link;
        y.commas += x.commas;
        y.paragraphs += x.paragraphs;
        y.images += x.images;
        y.items += x.items;
        y.inputs += x.inputs;
        y.embeds += x.embeds;
        y.heading += x.heading;
        y.list += x.list;
        y.sentence = y.sentence || x.sentence;
        y.widestChild = std::max(y.widestChild, e.elements);
        y.onlyParagraph = e.tag == HtmlTag::P;
        y.dataTable =
            y.dataTable || (e.tag != HtmlTag::Table &&
                            (x.dataTable || e.tag == HtmlTag::Th || e.tag == HtmlTag::Caption));
        if (IsPhrasing(e.tag)) {
            y.phrasing += x.phrasing;
            y.phrasingCommas += x.phrasingCommas;
        }
        y.block = y.block || x.block || IsBlockForParagraph(e.tag);
    }
    // A div that only wraps one paragraph is that paragraph.
    for (std::size_t i = 0; i < count; ++i) {
        const Node& e = nodes[i];
        Stats& x = s[i];
        x.collapsed = e.tag == HtmlTag::Div && e.elements == 1 && x.onlyParagraph &&
                      x.phrasing == 0 && x.LinkDensity() < 0.25f;
        if (e.parent >= 0)
            x.parent = s[static_cast<std::size_t>(e.parent)].collapsed
                           ? s[static_cast<std::size_t>(e.parent)].parent
                           : e.parent;
    }
    return s;
}

ArticleFinder::Article ArticleFinder::Try(const PageTree& tree, uint8_t rules) {
    using namespace PlaceWords;
    const std::vector<Node>& nodes = tree.Nodes();
    const std::size_t count = nodes.size();
    std::vector<Stats> s = Measure(tree, rules);
    const bool weigh = (rules & WeighClasses) != 0;
    auto weightOf = [&](const Node& n) { return weigh ? ClassWeight(n) : 0.0f; };
    auto initialise = [&](int32_t i) {
        Stats& x = s[static_cast<std::size_t>(i)];
        if (!x.scored) {
            const Node& e = nodes[static_cast<std::size_t>(i)];
            x.score = TagScore(e.tag) + weightOf(e);
            x.scored = true;
        }
    };
    // Each paragraph of prose scores the elements above it, less the further up they stand.
    std::vector<int32_t> candidates;
    for (std::size_t i = 0; i < count; ++i) {
        const Node& e = nodes[i];
        const Stats& x = s[i];
        if (x.dropped || x.collapsed)
            continue;
        uint32_t length = 0, commas = 0;
        int32_t start = x.parent;
        if (IsTag(e, {HtmlTag::P, HtmlTag::Pre, HtmlTag::Td, HtmlTag::Section, HtmlTag::H2,
                      HtmlTag::H3, HtmlTag::H4, HtmlTag::H5, HtmlTag::H6}) ||
            (e.tag == HtmlTag::Div && !x.block)) {
            length = x.text;
            commas = x.commas;
        } else if (e.tag == HtmlTag::Div) {
            // The loose text of a div with blocks in it makes paragraphs inside the div.
            length = x.phrasing;
            commas = x.phrasingCommas;
            start = static_cast<int32_t>(i);
        }
        if (length < 25)
            continue;
        const float score = 2.0f + static_cast<float>(commas) +
                            static_cast<float>(std::min<uint32_t>(length / 100, 3));
        int32_t up = start;
        for (int level = 0; level < 5 && up >= 0; ++level) {
            if (nodes[static_cast<std::size_t>(up)].parent < 0)
                break; // the root holds everything: it is never the article
            if (!s[static_cast<std::size_t>(up)].scored)
                candidates.push_back(up);
            initialise(up);
            const float divider = level == 0 ? 1.0f : level == 1 ? 2.0f : level * 3.0f;
            s[static_cast<std::size_t>(up)].score += score / divider;
            up = s[static_cast<std::size_t>(up)].parent;
        }
    }
    for (const int32_t c : candidates)
        s[static_cast<std::size_t>(c)].score *= 1 - s[static_cast<std::size_t>(c)].LinkDensity();
    std::stable_sort(candidates.begin(), candidates.end(), [&](int32_t a, int32_t b) {
        return s[static_cast<std::size_t>(a)].score > s[static_cast<std::size_t>(b)].score;
    });

    Article article;
    auto isBody = [&](int32_t i) {
        return nodes[static_cast<std::size_t>(i)].tag == HtmlTag::Body;
    };
    int32_t top = candidates.empty() ? -1 : candidates.front();
    if (top < 0 || isBody(top)) {
        // No block stands out: the page's body is all there is.
        for (std::size_t i = 0; i < count && top < 0; ++i)
            if (nodes[i].tag == HtmlTag::Body)
                top = static_cast<int32_t>(i);
        if (top < 0 && count > 0)
            top = 0;
        if (top >= 0)
            article.roots.push_back(top);
    } else {
        auto holds = [&](int32_t ancestor, int32_t node) {
            for (int32_t up = s[static_cast<std::size_t>(node)].parent; up >= 0;
                 up = s[static_cast<std::size_t>(up)].parent)
                if (up == ancestor)
                    return true;
            return false;
        };
        // Several close runners-up under one ancestor: the article is that ancestor.
        const float best = s[static_cast<std::size_t>(top)].score;
        std::vector<int32_t> close;
        for (std::size_t k = 1; k < std::min<std::size_t>(candidates.size(), 5); ++k)
            if (best > 0 && s[static_cast<std::size_t>(candidates[k])].score / best >= 0.75f)
                close.push_back(candidates[k]);
        if (close.size() >= 3) {
            for (int32_t up = s[static_cast<std::size_t>(top)].parent; up >= 0 && !isBody(up);
                 up = s[static_cast<std::size_t>(up)].parent) {
                if (std::count_if(close.begin(), close.end(),
                                  [&](int32_t c) { return holds(up, c); }) >= 3) {
                    top = up;
                    break;
                }
            }
        }
        initialise(top);
        // A parent that scores more than its child holds more of the article.
        float last = s[static_cast<std::size_t>(top)].score;
        const float threshold = last / 3;
        for (int32_t up = s[static_cast<std::size_t>(top)].parent; up >= 0 && !isBody(up);
             up = s[static_cast<std::size_t>(up)].parent) {
            const Stats& y = s[static_cast<std::size_t>(up)];
            if (!y.scored)
                continue;
            if (y.score < threshold)
                break;
            if (y.score > last) {
                top = up;
                break;
            }
            last = y.score;
        }
        // An only child is as good as its parent.
        for (int32_t up = s[static_cast<std::size_t>(top)].parent;
             up >= 0 && !isBody(up) && nodes[static_cast<std::size_t>(up)].elements == 1;
             up = s[static_cast<std::size_t>(up)].parent)
            top = up;
        // Its strong siblings, and sibling paragraphs of prose, join it.
        const Stats& t = s[static_cast<std::size_t>(top)];
        const float strong = std::max(10.0f, t.score * 0.2f);
        const uint32_t key = nodes[static_cast<std::size_t>(top)].classKey;
        for (std::size_t j = 0; j < count; ++j) {
            const Stats& x = s[j];
            if (static_cast<int32_t>(j) == top) {
                article.roots.push_back(top);
                continue;
            }
            if (t.parent < 0 || x.parent != t.parent || x.dropped || x.collapsed)
                continue;
            const float bonus = key != 0 && nodes[j].classKey == key ? t.score * 0.2f : 0.0f;
            bool join = x.scored && x.score + bonus >= strong;
            const bool paragraph =
                nodes[j].tag == HtmlTag::P || (nodes[j].tag == HtmlTag::Div && !x.block);
            if (!join && paragraph) {
                const float density = x.LinkDensity();
                join = (x.text > 80 && density < 0.25f) ||
                       (x.text < 80 && x.text > 0 && density == 0 && x.sentence);
            }
            if (join)
                article.roots.push_back(static_cast<int32_t>(j));
        }
    }
    if ((rules & Spread) && !article.roots.empty() && !candidates.empty())
        JoinStrongBlocks(tree, s, candidates, article);
    article.top = article.roots.empty() ? -1 : top;
    Mark(tree, s, rules, article);
    return article;
}

void ArticleFinder::JoinStrongBlocks(const PageTree& tree, const std::vector<Stats>& s,
                                     const std::vector<int32_t>& candidates, Article& article) {
    const std::vector<Node>& nodes = tree.Nodes();
    const std::size_t count = nodes.size();
    std::vector<int32_t> end(count, 0);
    for (std::size_t i = count; i-- > 0;) {
        end[i] = std::max(end[i], static_cast<int32_t>(i + 1));
        if (nodes[i].parent >= 0)
            end[static_cast<std::size_t>(nodes[i].parent)] =
                std::max(end[static_cast<std::size_t>(nodes[i].parent)], end[i]);
    }
    auto overlaps = [&](int32_t c) {
        for (const int32_t r : article.roots)
            if ((r <= c && c < end[static_cast<std::size_t>(r)]) ||
                (c <= r && r < end[static_cast<std::size_t>(c)]))
                return true;
        return false;
    };
    const float best = s[static_cast<std::size_t>(candidates.front())].score;
    for (const int32_t c : candidates) {
        const Stats& x = s[static_cast<std::size_t>(c)];
        if (x.score < best * spreadShare)
            break;
        if (x.dropped || nodes[static_cast<std::size_t>(c)].tag == HtmlTag::Body ||
            x.LinkDensity() > 0.3f || overlaps(c))
            continue;
        article.roots.push_back(c);
    }
    std::sort(article.roots.begin(), article.roots.end());
}

ArticleFinder::Article ArticleFinder::Within(const PageTree& tree, std::vector<int32_t> roots,
                                             uint8_t rules) {
    Article article;
    article.roots = std::move(roots);
    article.top = article.roots.empty() ? -1 : article.roots.front();
    Mark(tree, Measure(tree, rules), rules, article);
    return article;
}

void ArticleFinder::Mark(const PageTree& tree, const std::vector<Stats>& s, uint8_t rules,
                         Article& article) {
    using namespace PlaceWords;
    const std::vector<Node>& nodes = tree.Nodes();
    const std::size_t count = nodes.size();
    const bool weigh = (rules & WeighClasses) != 0;
    auto weightOf = [&](const Node& n) { return weigh ? ClassWeight(n) : 0.0f; };
    article.in.assign(count, 0);
    article.cut.assign(count, 0);
    article.text = 0;
    // What a reader reads inside: no forms, share bars, author lines, headline or captions.
    std::size_t root = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const Node& e = nodes[i];
        const Stats& x = s[i];
        const bool isRoot = root < article.roots.size() &&
                            article.roots[root] == static_cast<int32_t>(i) && (++root, true);
        const bool parentIn = e.parent >= 0 && article.in[static_cast<std::size_t>(e.parent)];
        if (!isRoot && !parentIn)
            continue;
        article.in[i] = 1;
        if (parentIn && article.cut[static_cast<std::size_t>(e.parent)]) {
            article.cut[i] = 1;
            continue;
        }
        const uint32_t words = e.Words();
        const float weight = weightOf(e);
        bool cut =
            x.dropped || e.landmark == PageTree::Nav || e.landmark == PageTree::Footer ||
            e.landmark == PageTree::Aside ||
            (e.landmark == PageTree::Header && !isRoot && !(rules & KeepBylines)) ||
            IsTag(e, {HtmlTag::Object, HtmlTag::Embed, HtmlTag::Iframe, HtmlTag::Button,
                      HtmlTag::Textarea, HtmlTag::Select, HtmlTag::Figcaption, HtmlTag::H1}) ||
            ((words & Share) && x.text < 500) ||
            (!(rules & KeepBylines) && (e.HasFlag(PageTree::Byline) || (words & Byline)) &&
             x.text < 100) ||
            (e.tag == HtmlTag::H2 && weight < 0);
        if (!cut && (rules & CleanConditionally) &&
            IsTag(e,
                  {HtmlTag::Form, HtmlTag::Fieldset, HtmlTag::Table, HtmlTag::Ul, HtmlTag::Div}) &&
            !(e.tag == HtmlTag::Table && x.dataTable) && !(x.within & InCode)) {
            // A block of links, pictures without prose, or a form is no part of the text.
            bool list = e.tag == HtmlTag::Ul;
            if (!list && x.text > 0)
                list = static_cast<float>(x.list) / static_cast<float>(x.text) > 0.9f;
            const float density = x.LinkDensity();
            const bool inFigure = (x.within & InFigure) != 0;
            bool remove = weight < 0;
            if (!remove && x.commas < 10) {
                const float p = static_cast<float>(x.paragraphs);
                const float headings =
                    x.text == 0 ? 0 : static_cast<float>(x.heading) / static_cast<float>(x.text);
                remove = (x.images > 1 && p / static_cast<float>(x.images) < 0.5f && !inFigure) ||
                         (!list && static_cast<int64_t>(x.items) - 100 > x.paragraphs) ||
                         (x.inputs > x.paragraphs / 3) ||
                         (!list && headings < 0.9f && x.text < 25 &&
                          (x.images == 0 || x.images > 2) && !inFigure) ||
                         (!list && weight < 25 && density > 0.2f) ||
                         (weight >= 25 && density > 0.5f) || (x.embeds == 1 && x.text < 75) ||
                         x.embeds > 1;
                // A simple list of pictures stays.
                if (list && remove && x.widestChild <= 1 && x.images == x.items)
                    remove = false;
            }
            cut = remove;
        }
        article.cut[i] = cut;
        if (!cut)
            article.text += e.ownText;
    }
}

ArticleFinder::Article ArticleFinder::Find(const PageTree& tree, uint32_t minimum, uint8_t extra) {
    // Each rule that may hide an article with odd names goes in turn; the longest text wins.
    Article longest;
    for (const int rules : {StripUnlikely | WeighClasses | CleanConditionally,
                            WeighClasses | CleanConditionally, int{CleanConditionally}, 0}) {
        Article a = Try(tree, static_cast<uint8_t>(rules | extra));
        if (a.text >= 500)
            return a;
        // A short article found under every rule beats a longer block found by relaxing them.
        if (a.text >= shortArticle && longest.roots.empty())
            return a;
        if (longest.roots.empty() || a.text > longest.text)
            longest = std::move(a);
    }
    if (longest.text < minimum)
        longest.roots.clear();
    return longest;
}
