#include "harvest/PlaceScorer.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

// Furniture words, as flags.
enum Word : uint32_t {
    NavWord = 1u << 0,
    FooterWord = 1u << 1,
    AsideWord = 1u << 2,
    CommentWord = 1u << 3,
    AvatarWord = 1u << 4,
    AdWord = 1u << 5,
    ShareWord = 1u << 6,
    IconWord = 1u << 7,
    RelatedWord = 1u << 8,
    TrackerWord = 1u << 9,
    ContentWord = 1u << 10,
    HiddenWord = 1u << 11,
};
constexpr uint32_t negativeWords =
    NavWord | FooterWord | AsideWord | CommentWord | AdWord | ShareWord | RelatedWord | HiddenWord;

// The structural kind of an element: its tag or its landmark role.
enum Kind : uint8_t { Plain, Nav, Footer, Aside, Header };

struct WordRule {
    std::string_view text;
    bool prefix; // the token only begins with it
    uint32_t flag;
};

constexpr WordRule wordRules[] = {
    {"nav", true, NavWord},
    {"menu", true, NavWord},
    {"breadcrumb", true, NavWord},
    {"masthead", false, NavWord},
    {"topbar", false, NavWord},
    {"header", false, NavWord},
    {"head", false, NavWord},
    {"footer", true, FooterWord},
    {"colophon", false, FooterWord},
    {"sidebar", true, AsideWord},
    {"aside", false, AsideWord},
    {"widget", true, AsideWord},
    {"rail", false, AsideWord},
    {"comment", true, CommentWord},
    {"disqus", false, CommentWord},
    {"respond", false, CommentWord},
    {"avatar", true, AvatarWord},
    {"gravatar", true, AvatarWord},
    {"author", true, AvatarWord},
    {"profile", true, AvatarWord},
    {"ad", false, AdWord},
    {"ads", false, AdWord},
    {"advert", true, AdWord},
    {"sponsor", true, AdWord},
    {"promo", true, AdWord},
    {"dfp", false, AdWord},
    {"adsense", false, AdWord},
    {"adslot", true, AdWord},
    {"share", true, ShareWord},
    {"sharing", false, ShareWord},
    {"social", true, ShareWord},
    {"facebook", false, ShareWord},
    {"twitter", false, ShareWord},
    {"pinterest", false, ShareWord},
    {"whatsapp", false, ShareWord},
    {"linkedin", false, ShareWord},
    {"icon", true, IconWord},
    {"sprite", true, IconWord},
    {"badge", true, IconWord},
    {"emoji", true, IconWord},
    {"favicon", false, IconWord},
    {"related", true, RelatedWord},
    {"recommend", true, RelatedWord},
    {"teaser", true, RelatedWord},
    {"outbrain", false, RelatedWord},
    {"taboola", false, RelatedWord},
    {"pixel", true, TrackerWord},
    {"beacon", true, TrackerWord},
    {"analytics", false, TrackerWord},
    {"tracking", false, TrackerWord},
    {"doubleclick", false, TrackerWord},
    {"scorecardresearch", false, TrackerWord},
    {"article", false, ContentWord},
    {"content", false, ContentWord},
    {"entry", true, ContentWord},
    {"main", false, ContentWord},
    {"post", false, ContentWord},
    {"story", false, ContentWord},
    {"body", false, ContentWord},
    {"prose", false, ContentWord},
    {"hidden", false, HiddenWord},
};

// The place the first rule whose words are among `words` names.
struct WordPlace {
    uint32_t words;
    PicturePlace place;
};
constexpr WordPlace aroundWords[] = {{CommentWord, PicturePlace::Comments},
                                     {AdWord, PicturePlace::Ad},
                                     {ShareWord, PicturePlace::Share},
                                     {RelatedWord, PicturePlace::Related},
                                     {NavWord, PicturePlace::Navigation}};
constexpr WordPlace ownWords[] = {{AvatarWord | CommentWord, PicturePlace::Comments},
                                  {AdWord, PicturePlace::Ad},
                                  {ShareWord, PicturePlace::Share},
                                  {IconWord, PicturePlace::Icon}};

template <std::size_t N>
std::optional<PicturePlace> ByWords(uint32_t words, const WordPlace (&rules)[N]) {
    for (const WordPlace& r : rules)
        if (words & r.words)
            return r.place;
    return std::nullopt;
}

uint32_t WordOf(std::string_view token) {
    for (const WordRule& r : wordRules)
        if (r.text[0] == token[0] &&
            (r.prefix ? token.substr(0, r.text.size()) == r.text : token == r.text))
            return r.flag;
    return 0;
}

bool IsAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

const char* AttributeOf(const char* const* attributes, const char* name) {
    for (int i = 0; attributes != nullptr && attributes[i] != nullptr; i += 2)
        if (std::strcmp(attributes[i], name) == 0)
            return attributes[i + 1] != nullptr ? attributes[i + 1] : "";
    return nullptr;
}

bool OneOf(std::string_view name, std::initializer_list<std::string_view> names) {
    return std::any_of(names.begin(), names.end(), [&](std::string_view n) { return name == n; });
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
    return OneOf(extension, {"jpg", "jpeg", "png", "gif", "webp", "avif", "bmp", "tif", "tiff",
                             "heic", "jfif"});
}

} // namespace

uint32_t PlaceScorer::WordsOf(std::string_view text) {
    uint32_t words = 0;
    std::string token;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        // Tokens break at anything but letters and digits, and before an upper-case letter
        // that follows a lower-case one ("shareBar").
        const char c = i < text.size() ? text[i] : ' ';
        const bool camel =
            !token.empty() && c >= 'A' && c <= 'Z' && token.back() >= 'a' && token.back() <= 'z';
        if (!IsAlnum(c) || camel) {
            while (!token.empty() && token.back() >= '0' && token.back() <= '9')
                token.pop_back();
            if (!token.empty())
                words |= WordOf(token);
            token.clear();
        }
        if (IsAlnum(c))
            token += c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    }
    return words;
}

uint32_t PlaceScorer::CachedWordsOf(std::string_view text) {
    // A page repeats its few class names on thousands of elements.
    if (const auto known = wordCache.find(text); known != wordCache.end())
        return known->second;
    const uint32_t words = WordsOf(text);
    if (wordCache.size() < 4096)
        wordCache.emplace(std::string(text), words);
    return words;
}

void PlaceScorer::Open(std::string_view name, const char* const* attributes) {
    const bool link = name == "a" && AttributeOf(attributes, "href") != nullptr;
    const bool toPage = link && !LinksToPicture(AttributeOf(attributes, "href"));
    linkOpen.push_back(toPage);
    anchorOpen.push_back(link);
    linkDepth += toPage;
    anchorDepth += link;
    // Void elements hold nothing: a picture's own words are its own, not a container's.
    if (nodes.size() >= maxNodes ||
        (std::string_view("imlbshwca").find(name[0]) != std::string_view::npos &&
         OneOf(name, {"img", "source", "meta", "link", "br", "hr", "input", "base", "wbr", "col",
                      "area"}))) {
        opened.push_back(false);
        return;
    }
    Node n{};
    n.parent = Current();
    const char* cls = AttributeOf(attributes, "class");
    const char* id = AttributeOf(attributes, "id");
    n.words = (cls ? CachedWordsOf(cls) : 0) | (id ? CachedWordsOf(id) : 0);
    const char* role = AttributeOf(attributes, "role");
    const std::string_view r = role ? role : "";
    n.kind = name == "nav" || r == "navigation"        ? Nav
             : name == "footer" || r == "contentinfo"  ? Footer
             : name == "aside" || r == "complementary" ? Aside
             : name == "header" || r == "banner"       ? Header
                                                       : Plain;
    n.list = name == "ul" || name == "ol";
    n.article = name == "article" || name == "main" || r == "main";
    n.paragraph = OneOf(name, {"p", "pre", "td", "blockquote"});
    n.weight = name == "div"                                                          ? 5
               : OneOf(name, {"pre", "td", "blockquote", "article"})                  ? 3
               : OneOf(name, {"address", "ol", "ul", "dl", "dd", "dt", "li", "form"}) ? -3
               : OneOf(name, {"h1", "h2", "h3", "h4", "h5", "h6", "th"})              ? -5
                                                                                      : 0;
    if (n.words & ContentWord)
        n.weight += 25;
    if (n.words & negativeWords)
        n.weight -= 25;
    nodes.push_back(n);
    open.push_back(static_cast<int32_t>(nodes.size() - 1));
    opened.push_back(true);
}

void PlaceScorer::Close() {
    if (opened.empty())
        return;
    linkDepth -= linkOpen.back();
    anchorDepth -= anchorOpen.back();
    linkOpen.pop_back();
    anchorOpen.pop_back();
    if (!opened.back()) {
        opened.pop_back();
        return;
    }
    opened.pop_back();
    const int32_t index = open.back();
    open.pop_back();
    const Node& n = nodes[static_cast<std::size_t>(index)];
    // A paragraph of prose gives its parent its score, half to the grandparent, a third above.
    if (n.paragraph && n.text >= 25) {
        const float content = 1.0f + static_cast<float>(n.commas) +
                              static_cast<float>(std::min<uint32_t>(n.text / 100, 3));
        int32_t up = n.parent;
        for (const float share : {1.0f, 0.5f, 1.0f / 3}) {
            if (up < 0)
                break;
            nodes[static_cast<std::size_t>(up)].score += content * share;
            up = nodes[static_cast<std::size_t>(up)].parent;
        }
    }
    if (n.parent >= 0) {
        Node& p = nodes[static_cast<std::size_t>(n.parent)];
        p.text += n.text;
        p.linkText += n.linkText;
        p.commas += n.commas;
    }
}

void PlaceScorer::Text(std::string_view text) {
    const int32_t at = Current();
    if (at < 0)
        return;
    uint32_t letters = 0, commas = 0;
    for (const char c : text) {
        letters += c != ' ' && c != '\n' && c != '\t' && c != '\r';
        commas += c == ',';
    }
    Node& n = nodes[static_cast<std::size_t>(at)];
    n.text += letters;
    n.commas += commas;
    if (anchorDepth > 0)
        n.linkText += letters;
}

float PlaceScorer::Final(const Node& n) const {
    const float density = n.text == 0 ? 0 : static_cast<float>(n.linkText) / n.text;
    return (n.score + n.weight) * (1 - density);
}

void PlaceScorer::Finish() {
    while (!opened.empty())
        Close();
    block.clear();
    // The best block holds prose and no list, and stands in no navigation, footer or aside.
    int32_t best = -1;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const Node& n = nodes[i];
        if (n.score <= 0 || n.list)
            continue;
        bool furniture = false;
        for (int32_t up = static_cast<int32_t>(i); up >= 0 && !furniture;
             up = nodes[static_cast<std::size_t>(up)].parent) {
            const uint8_t k = nodes[static_cast<std::size_t>(up)].kind;
            furniture = k == Nav || k == Footer || k == Aside;
        }
        if (!furniture && (best < 0 || Final(n) > Final(nodes[static_cast<std::size_t>(best)])))
            best = static_cast<int32_t>(i);
    }
    // No block of enough prose: the page has no article.
    if (best < 0 || nodes[static_cast<std::size_t>(best)].text < 500 ||
        Final(nodes[static_cast<std::size_t>(best)]) < 20)
        return;
    const float top = Final(nodes[static_cast<std::size_t>(best)]);
    for (int32_t up = nodes[static_cast<std::size_t>(best)].parent;
         up >= 0 && !nodes[static_cast<std::size_t>(up)].list &&
         nodes[static_cast<std::size_t>(up)].parent >= 0 &&
         Final(nodes[static_cast<std::size_t>(up)]) >= top / 3;
         up = nodes[static_cast<std::size_t>(up)].parent)
        best = up;
    block.push_back(best);
    const Node& chosen = nodes[static_cast<std::size_t>(best)];
    const float strong = std::max(10.0f, Final(chosen) * 0.2f);
    for (std::size_t i = 0; i < nodes.size(); ++i)
        if (static_cast<int32_t>(i) != best && nodes[i].parent == chosen.parent &&
            chosen.parent >= 0 && !nodes[i].list && Final(nodes[i]) >= strong)
            block.push_back(static_cast<int32_t>(i));
}

bool PlaceScorer::InBlock(int32_t node) const {
    for (int32_t up = node; up >= 0; up = nodes[static_cast<std::size_t>(up)].parent)
        if (std::find(block.begin(), block.end(), up) != block.end())
            return true;
    return false;
}

PicturePlace PlaceScorer::PlaceOf(const PictureSignals& p, std::string_view address) const {
    if (p.onlyMeta)
        return PicturePlace::Card;
    const uint32_t own = p.words | WordsOf(address);
    // A tiny size looks at the larger side: a 464x2 separator is a real picture.
    const bool tiny = (p.width > 0 || p.height > 0) && std::max(p.width, p.height) <= 3;
    if (tiny || p.hidden || (own & TrackerWord))
        return PicturePlace::Tracker;
    // The structure holds even inside the main block.
    bool inArticle = false;
    uint32_t around = 0;
    for (int32_t up = p.node; up >= 0; up = nodes[static_cast<std::size_t>(up)].parent) {
        const Node& n = nodes[static_cast<std::size_t>(up)];
        if (n.kind == Nav)
            return PicturePlace::Navigation;
        if (n.kind == Footer)
            return PicturePlace::Footer;
        if (n.kind == Aside)
            return PicturePlace::Aside;
        inArticle = inArticle || n.article;
        around |= n.words;
    }
    for (int32_t up = p.node; up >= 0 && !inArticle;
         up = nodes[static_cast<std::size_t>(up)].parent)
        if (nodes[static_cast<std::size_t>(up)].kind == Header)
            return PicturePlace::Navigation; // a site's header, not an article's
    // The words of the elements around it hold even inside the main block.
    if (const auto place = ByWords(around, aroundWords))
        return *place;
    // A small picture that calls itself an avatar is one, even beside the article.
    if ((own & AvatarWord) && std::max(p.width, p.height) > 0 && std::max(p.width, p.height) <= 128)
        return PicturePlace::Comments;
    if (address.size() >= 4 && address.substr(address.size() - 4) == ".ico")
        return PicturePlace::Icon;
    const bool inBlock = HasArticle() && InBlock(p.node);
    if (inBlock)
        return PicturePlace::Content;
    // Outside the block a picture's own words count, and a teaser leads to another page.
    if (const auto place = ByWords(own, ownWords))
        return *place;
    if (!HasArticle())
        return PicturePlace::Content;
    if (p.linksToPage)
        return PicturePlace::Related;
    return inArticle ? PicturePlace::Content : PicturePlace::Aside;
}
