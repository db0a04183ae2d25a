#include "harvest/PlaceWords.h"

#include <algorithm>
#include <string>
#include <utility>

namespace PlaceWords {

namespace {

constexpr uint32_t NavNeg = Nav | Unlikely;
constexpr uint32_t FooterAll = Footer | Unlikely | Negative;
constexpr uint32_t CommentAll = Comment | Unlikely | Negative;
constexpr uint32_t RelatedAll = Related | Unlikely | Negative;
constexpr uint32_t Positive = Content | Maybe;

// Sorted by word, for a binary search. Only the forms listed count: "shares" and "navy" are no
// furniture.
constexpr std::pair<std::string_view, uint32_t> words[] = {
    {"accordion", Panel},
    {"ad", Ad | Negative},
    {"ads", Ad | Negative},
    {"adsense", Ad | Negative},
    {"adslot", Ad | Negative},
    {"advert", Ad | Negative},
    {"advertisement", Ad | Negative},
    {"advertising", Ad | Negative},
    {"adverts", Ad | Negative},
    {"agegate", Unlikely},
    {"article", Positive},
    {"articles", Content},
    {"aside", Aside},
    {"author", Author | Byline},
    {"authors", Author | Byline},
    {"avatar", Author},
    {"avatars", Author},
    {"badge", Icon},
    {"badges", Icon},
    {"banner", Unlikely | Negative},
    {"blog", Content},
    {"body", Positive},
    {"breadcrumb", NavNeg},
    {"breadcrumbs", NavNeg},
    {"byline", Byline},
    {"collapse", Panel},
    {"collapsible", Panel},
    {"colophon", FooterAll},
    {"column", Maybe},
    {"combx", Unlikely | Negative},
    {"comment", CommentAll},
    {"commentlist", CommentAll},
    {"comments", CommentAll},
    {"community", Unlikely},
    {"contact", Negative},
    {"content", Positive},
    {"contents", Positive},
    {"dateline", Byline},
    {"dfp", Ad | Negative},
    {"disqus", CommentAll},
    {"emoji", Icon},
    {"entry", Positive},
    {"extra", Unlikely},
    {"facebook", Share},
    {"favicon", Icon},
    {"footer", FooterAll},
    {"gdpr", Unlikely | Negative},
    {"gravatar", Author},
    {"head", Header},
    {"header", Header | Unlikely},
    {"hentry", Content},
    {"hid", Hidden | Negative},
    {"hidden", Hidden | Negative},
    {"icon", Icon},
    {"icons", Icon},
    {"legends", Unlikely},
    {"linkedin", Share},
    {"main", Positive},
    {"masthead", Nav | Negative},
    {"menu", NavNeg},
    {"menubar", NavNeg},
    {"menus", NavNeg},
    {"meta", Negative},
    {"nav", NavNeg},
    {"navbar", NavNeg},
    {"navbox", NavNeg},
    {"navigation", NavNeg},
    {"outbrain", RelatedAll},
    {"page", Content},
    {"pager", NavNeg},
    {"pagination", NavNeg},
    {"pane", Panel},
    {"pinterest", Share},
    {"popup", Unlikely},
    {"post", Positive},
    {"posts", Content},
    {"profile", Author},
    {"promo", Ad | Negative},
    {"promos", Ad | Negative},
    {"prose", Content},
    {"rail", Aside},
    {"recommendations", RelatedAll},
    {"recommended", RelatedAll},
    {"related", RelatedAll},
    {"remark", Unlikely},
    {"replies", CommentAll},
    {"respond", CommentAll},
    {"rss", Unlikely},
    {"scroll", Negative},
    {"share", Share | Negative},
    {"sharebar", Share | Negative},
    {"sharedaddy", Share | Negative},
    {"sharing", Share | Negative},
    {"shopping", Negative},
    {"shoutbox", Unlikely | Negative},
    {"sidebar", Aside | Unlikely | Negative},
    {"signature", Signature},
    {"skyscraper", Unlikely | Negative},
    {"social", Share | Unlikely},
    {"sponsor", Ad | Unlikely | Negative},
    {"sponsored", Ad | Unlikely | Negative},
    {"sprite", Icon},
    {"story", Positive},
    {"supplemental", Unlikely},
    {"tabpanel", Panel},
    {"taboola", RelatedAll},
    {"tags", Negative},
    {"teaser", Related},
    {"teasers", Related},
    {"text", Content},
    {"topbar", Nav},
    {"twitter", Share},
    {"whatsapp", Share},
    {"widget", Aside | Negative},
    {"widgets", Aside | Negative},
    {"writtenby", Byline},
};

// A word that makes the rest of its name a state: "has-shares", "showing-comments".
bool IsState(std::string_view token) {
    for (const std::string_view s :
         {"has", "show", "showing", "with", "is", "no", "hide", "enable", "enabled"})
        if (token == s)
            return true;
    return false;
}

uint32_t FlagsOf(std::string_view token) {
    const auto* at =
        std::lower_bound(std::begin(words), std::end(words), token,
                         [](const auto& w, std::string_view t) { return w.first < t; });
    return at != std::end(words) && at->first == token ? at->second : 0;
}

bool IsLower(char c) {
    return c >= 'a' && c <= 'z';
}

bool IsUpper(char c) {
    return c >= 'A' && c <= 'Z';
}

bool IsAlnum(char c) {
    return IsLower(c) || IsUpper(c) || (c >= '0' && c <= '9');
}

} // namespace

uint32_t Of(std::string_view names) {
    uint32_t flags = 0;
    std::string token;
    bool state = false; // a state word came before in this name
    for (std::size_t i = 0; i <= names.size(); ++i) {
        const char c = i < names.size() ? names[i] : ' ';
        const bool camel = !token.empty() && IsUpper(c) && IsLower(token.back());
        if (!IsAlnum(c) || camel) {
            while (!token.empty() && token.back() >= '0' && token.back() <= '9')
                token.pop_back();
            if (!token.empty() && !state) {
                if (IsState(token))
                    state = true;
                else
                    flags |= FlagsOf(token);
            }
            token.clear();
        }
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f')
            state = false; // a new name
        if (IsAlnum(c))
            token += IsUpper(c) ? static_cast<char>(c + 32) : c;
    }
    return flags;
}

} // namespace PlaceWords
