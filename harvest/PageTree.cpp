#include "harvest/PageTree.h"

#include "harvest/PlaceWords.h"
#include "harvest/TextMatch.h"

#include <cstring>

namespace {

enum OpenBit : uint8_t {
    GotNode = 1,
    PageLink = 2,
    AnyLink = 4,
    NoText = 8,
    NoScript = 16,
    Json = 32
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// A link to a picture file shows the picture; any other link leads to another page.
bool LinksToPicture(std::string_view href) {
    href = href.substr(0, std::min(href.find_first_of("?#"), href.size()));
    const std::size_t dot = href.rfind('.');
    if (dot == std::string_view::npos || href.find('/', dot) != std::string_view::npos)
        return false;
    std::string extension;
    for (const char c : href.substr(dot + 1))
        extension += c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    for (const std::string_view e :
         {"jpg", "jpeg", "png", "gif", "webp", "avif", "bmp", "tif", "tiff", "heic", "jfif"})
        if (extension == e)
            return true;
    return false;
}

bool IsHiddenStyle(const char* style) {
    return style != nullptr &&
           (ContainsNoCase(style, "DISPLAY:NONE") || ContainsNoCase(style, "DISPLAY: NONE") ||
            ContainsNoCase(style, "VISIBILITY:HIDDEN") ||
            ContainsNoCase(style, "VISIBILITY: HIDDEN"));
}

// The ids pages give their main content when they mark no main element: the target of their
// "skip to content" link.
bool IsMainId(std::string_view id) {
    for (const std::string_view name : {"main", "main-content", "maincontent", "main_content"})
        if (id == name)
            return true;
    return false;
}

PageTree::Landmark LandmarkOf(HtmlTag tag, std::string_view role) {
    if (tag == HtmlTag::Nav || role == "navigation")
        return PageTree::Nav;
    if (tag == HtmlTag::Footer || role == "contentinfo")
        return PageTree::Footer;
    if (tag == HtmlTag::Aside || role == "complementary")
        return PageTree::Aside;
    if (tag == HtmlTag::Header || role == "banner")
        return PageTree::Header;
    if (tag == HtmlTag::Main || role == "main")
        return PageTree::Main;
    return PageTree::Plain;
}

uint32_t KeyOf(std::string_view text, uint32_t h = 2166136261u) {
    // FNV-1a: siblings of one class name share it
    for (const char c : text)
        h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    return h == 0 ? 1 : h;
}

// Blocks alike in kind: the same tag and the same first class name ("post", "answer").
uint32_t LikeKeyOf(std::string_view name, std::string_view classes) {
    const std::size_t begin = std::min(classes.find_first_not_of(" \t\n\r\f"), classes.size());
    classes = classes.substr(begin);
    classes = classes.substr(0, std::min(classes.find_first_of(" \t\n\r\f"), classes.size()));
    return KeyOf(classes, KeyOf(name));
}

bool Equals(const char* value, std::string_view text) {
    return value != nullptr && text == value;
}

template <typename T> void Increment(T& count) {
    if (count < static_cast<T>(-1))
        ++count;
}

} // namespace

bool PageTree::HiddenAttribute(const char* const* attributes) {
    // A page streamed by its server sends parts of itself late, in a hidden element whose id is
    // "S:" and a number, for its scripts to move into place: what it holds is the page's own.
    const char* id = AttributeOf(attributes, "id");
    return AttributeOf(attributes, "hidden") != nullptr &&
           !(id != nullptr && id[0] == 'S' && id[1] == ':' && id[2] != '\0');
}

const char* PageTree::AttributeOf(const char* const* attributes, const char* name) {
    for (int i = 0; attributes != nullptr && attributes[i] != nullptr; i += 2)
        if (std::strcmp(attributes[i], name) == 0)
            return attributes[i + 1] != nullptr ? attributes[i + 1] : "";
    return nullptr;
}

uint32_t PageTree::CachedWordsOf(std::string_view names) {
    // A page repeats its few class names on thousands of elements.
    if (const auto known = wordCache.find(names); known != wordCache.end())
        return known->second;
    const uint32_t words = PlaceWords::Of(names);
    if (wordCache.size() < 4096)
        wordCache.emplace(std::string(names), words);
    return words;
}

void PageTree::Open(std::string_view name, const char* const* attributes) {
    const HtmlTag tag = TagOf(name);
    const char* href = tag == HtmlTag::A ? AttributeOf(attributes, "href") : nullptr;
    const bool toPage = href != nullptr && !LinksToPicture(href);
    uint8_t bits = (toPage ? PageLink : 0) | (href != nullptr ? AnyLink : 0);
    linkDepth += toPage;
    anchorDepth += href != nullptr;
    if (tag == HtmlTag::Script || tag == HtmlTag::Style || tag == HtmlTag::Template ||
        tag == HtmlTag::Svg || tag == HtmlTag::Textarea || tag == HtmlTag::Select) {
        bits |= NoText;
        ++skipDepth;
    }
    if (tag == HtmlTag::Noscript) {
        bits |= NoScript;
        ++noscriptDepth;
    }
    if (tag == HtmlTag::Script && Equals(AttributeOf(attributes, "type"), "application/ld+json")) {
        bits |= Json;
        ++jsonDepth;
    }
    const char* itemprop = AttributeOf(attributes, "itemprop");
    if (const char* type = AttributeOf(attributes, "itemtype");
        Equals(itemprop, "price") ||
        (type != nullptr && std::string_view(type).ends_with("/Product")) ||
        (Equals(AttributeOf(attributes, "property"), "og:type") &&
         Equals(AttributeOf(attributes, "content"), "product")))
        offersProduct = true;
    if (const char* type = AttributeOf(attributes, "itemtype");
        (type != nullptr && (std::string_view(type).ends_with("/Article") ||
                             std::string_view(type).ends_with("/NewsArticle") ||
                             std::string_view(type).ends_with("/BlogPosting"))) ||
        (Equals(AttributeOf(attributes, "property"), "og:type") &&
         Equals(AttributeOf(attributes, "content"), "article")))
        declaresArticle = true;
    if (const char* type = AttributeOf(attributes, "itemtype");
        type != nullptr && (std::string_view(type).ends_with("/DiscussionForumPosting") ||
                            std::string_view(type).ends_with("/QAPage")))
        declaresDiscussion = true;
    const int32_t at = Current();
    if (at >= 0) {
        Node& parent = nodes[static_cast<std::size_t>(at)];
        Increment(parent.elements);
        if (tag == HtmlTag::Img)
            Increment(parent.ownImages);
        else if (tag == HtmlTag::Input)
            Increment(parent.ownInputs);
        else if (tag == HtmlTag::Embed || tag == HtmlTag::Object || tag == HtmlTag::Iframe)
            Increment(parent.ownEmbeds);
    }
    if (tag == HtmlTag::Br && keepText && at >= 0 && skipDepth == 0)
        runs.push_back(
            {at, static_cast<uint32_t>(text.size()), static_cast<uint32_t>(text.size())});
    // Void elements hold nothing: a picture's own words are its own, not a container's.
    if (IsVoid(tag) || nodes.size() >= maxNodes) {
        opened.push_back(bits);
        return;
    }
    Node n;
    n.parent = at;
    n.tag = tag;
    if (const char* cls = AttributeOf(attributes, "class"); cls != nullptr && *cls != '\0') {
        n.classWords = CachedWordsOf(cls);
        n.classKey = KeyOf(cls);
        n.likeKey = LikeKeyOf(name, cls);
    } else {
        n.likeKey = KeyOf(name);
    }
    if (const char* id = AttributeOf(attributes, "id")) {
        n.idWords = CachedWordsOf(id);
        if (namedMain < 0 && IsMainId(id))
            namedMain = static_cast<int32_t>(nodes.size());
    }
    const char* role = AttributeOf(attributes, "role");
    const std::string_view r = role != nullptr ? role : "";
    n.landmark = LandmarkOf(tag, r);
    const char* ariaHidden = AttributeOf(attributes, "aria-hidden");
    // A folded panel (an accordion's, a tab's) is one click away: its text is the page's.
    const bool panel = r == "tabpanel" || (n.Words() & PlaceWords::Panel) != 0;
    // A dialog (a consent banner, a sign-up box) stands over the page until it is closed; a
    // dialog element shows only when opened.
    const bool dialog = r == "dialog" || r == "alertdialog" ||
                        (name == "dialog" && AttributeOf(attributes, "open") == nullptr);
    if (dialog || (!panel && (HiddenAttribute(attributes) ||
                              IsHiddenStyle(AttributeOf(attributes, "style")) ||
                              (ariaHidden != nullptr && std::string_view(ariaHidden) == "true"))))
        n.flags |= Hidden;
    if (href != nullptr)
        n.flags |= Anchor | (href[0] == '#' ? HashLink : 0);
    if (toPage && href[0] != '#')
        n.flags |= ToPage;
    const char* rel = AttributeOf(attributes, "rel");
    if (noscriptDepth > 0)
        n.flags |= Unscripted;
    if (name == "time" || (itemprop != nullptr && std::string_view(itemprop).starts_with("date")))
        n.flags |= Dated;
    if ((rel != nullptr && std::string_view(rel) == "author") ||
        (itemprop != nullptr && std::string_view(itemprop).find("author") != std::string::npos))
        n.flags |= Byline;
    for (const std::string_view unlikely :
         {"menu", "menubar", "complementary", "navigation", "alert"})
        if (r == unlikely)
            n.flags |= UnlikelyRole;
    if (dialog)
        n.flags |= UnlikelyRole;
    if (tag == HtmlTag::Table && AttributeOf(attributes, "summary") != nullptr)
        n.flags |= DataTable;
    nodes.push_back(n);
    open.push_back(static_cast<int32_t>(nodes.size() - 1));
    opened.push_back(bits | GotNode);
}

void PageTree::Close() {
    if (opened.empty())
        return;
    const uint8_t bits = opened.back();
    opened.pop_back();
    linkDepth -= (bits & PageLink) != 0;
    anchorDepth -= (bits & AnyLink) != 0;
    skipDepth -= (bits & NoText) != 0;
    noscriptDepth -= (bits & NoScript) != 0;
    jsonDepth -= (bits & Json) != 0;
    if (bits & GotNode)
        open.pop_back();
}

void PageTree::Text(std::string_view t) {
    const int32_t at = Current();
    if (jsonDepth > 0 && (t.find("\"Product\"") != std::string_view::npos))
        offersProduct = true;
    if (jsonDepth > 0)
        for (const std::string_view type : {"\"Article\"", "\"NewsArticle\"", "\"BlogPosting\""})
            declaresArticle = declaresArticle || t.find(type) != std::string_view::npos;
    if (jsonDepth > 0)
        for (const std::string_view type : {"\"DiscussionForumPosting\"", "\"QAPage\""})
            declaresDiscussion = declaresDiscussion || t.find(type) != std::string_view::npos;
    if (at < 0 || skipDepth > 0)
        return;
    // Characters as a reader counts them: blanks between words count once.
    uint32_t characters = 0, commas = 0;
    bool blank = false;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        if (IsBlank(c)) {
            blank = characters > 0;
            continue;
        }
        if ((static_cast<unsigned char>(c) & 0xC0) == 0x80)
            continue;
        characters += 1 + blank;
        blank = false;
        // The comma, and the full-width and Arabic ones.
        commas += c == ',' || (t.substr(i, 3) == "\xEF\xBC\x8C") || (t.substr(i, 2) == "\xD8\x8C");
    }
    if (characters == 0) {
        // Blanks between two elements still part their words: "<a>ann</a> <time>".
        if (keepText && !t.empty())
            runs.push_back({at, static_cast<uint32_t>(text.size()),
                            static_cast<uint32_t>((text += ' ', text.size()))});
        return;
    }
    Node& n = nodes[static_cast<std::size_t>(at)];
    (noscriptDepth > 0 ? unscriptedText : shownText) += characters;
    n.ownText += characters;
    n.ownCommas += commas;
    const std::size_t last = t.find_last_not_of(" \t\n\r\f");
    // A text that trails off ("Click to expand...", "Read more...") ends no sentence.
    if ((t[last] == '.' && !t.substr(0, last + 1).ends_with("...")) ||
        t.find(". ") != std::string_view::npos)
        n.flags |= Sentence;
    if (keepText) {
        const auto begin = static_cast<uint32_t>(text.size());
        text.append(t);
        runs.push_back({at, begin, static_cast<uint32_t>(text.size())});
    }
}

void PageTree::Settle() {
    RevealScriptedWrapper();
    readsNoscript = unscriptedText > shownText;
    if (readsNoscript || unscriptedText == 0)
        return;
    for (Node& n : nodes)
        if (n.HasFlag(Unscripted)) {
            n.ownText = 0;
            n.ownCommas = 0;
            n.flags &= static_cast<uint16_t>(~Sentence);
        }
    std::erase_if(runs, [&](const Run& r) {
        return nodes[static_cast<std::size_t>(r.node)].HasFlag(Unscripted);
    });
}

void PageTree::RevealScriptedWrapper() {
    // Text under each element; the wrapper is the outermost hidden element with the most.
    std::vector<uint64_t> under(nodes.size(), 0);
    for (std::size_t i = nodes.size(); i-- > 0;) {
        under[i] += nodes[i].ownText;
        if (nodes[i].parent >= 0)
            under[static_cast<std::size_t>(nodes[i].parent)] += under[i];
    }
    uint64_t shown = 0, largest = 0;
    int32_t wrapper = -1;
    std::vector<uint8_t> hidden(nodes.size(), 0);
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const Node& n = nodes[i];
        const bool above = n.parent >= 0 && hidden[static_cast<std::size_t>(n.parent)];
        hidden[i] = above || n.HasFlag(Hidden);
        if (!hidden[i])
            shown += n.HasFlag(Unscripted) ? 0 : n.ownText;
        else if (!above && !n.HasFlag(UnlikelyRole) && under[i] > largest) {
            largest = under[i];
            wrapper = static_cast<int32_t>(i);
        }
    }
    // A page that hides more than it shows (a shop's content behind a script's lock, an
    // anti-flicker wrapper) is shown whole once its scripts run.
    if (wrapper >= 0 && largest > shown)
        nodes[static_cast<std::size_t>(wrapper)].flags &= static_cast<uint16_t>(~Hidden);
}
