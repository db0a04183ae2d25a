#include "harvest/NextPage.h"

#include "harvest/ModernScanner.h"

#include <array>
#include <charconv>
#include <optional>

namespace {

// What says "next page" on a link, case-folded. New languages go here.
constexpr std::array<std::string_view, 27> nextWords = {
    "next",   "next page",     "older posts", "older entries", "›",           "»",
    "→",      "next ›",        "next »",      "next →",        "next page ›", "next page »",
    "weiter", "nächste seite", "suivant",     "page suivante", "siguiente",   "próxima",
    "avanti", "successivo",    "volgende",    "далее",         "следующая",   "次へ",
    "下一页", "다음",          "nächste",
};

// Upper-case letters of ASCII, Latin-1 and Cyrillic to lower case; other bytes as they are.
std::string Folded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c >= 'A' && c <= 'Z') {
            out += static_cast<char>(c + 32);
        } else if (c == 0xC3 && next >= 0x80 && next <= 0x9E && next != 0x97) {
            out += static_cast<char>(c), out += static_cast<char>(next + 0x20), ++i; // À-Þ
        } else if (c == 0xD0 && next >= 0x90 && next <= 0x9F) {
            out += static_cast<char>(c), out += static_cast<char>(next + 0x20), ++i; // А-П
        } else if (c == 0xD0 && next >= 0xA0 && next <= 0xAF) {
            out += static_cast<char>(0xD1), out += static_cast<char>(next - 0x20), ++i; // Р-Я
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// A path with its query, split where a numbered sequence keeps its number: the number and
// the address with the numbered piece taken out (its trailing '/' and an empty query dropped).
struct Numbered {
    long number = 0;
    std::string rest;
};

std::string Canonical(std::string path, std::string query) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return query.empty() || query == "?" ? path : path + query;
}

std::optional<long> Digits(std::string_view text) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || text.size() > 9)
        return std::nullopt;
    return value;
}

// The numbered piece of kind `kind` in `address`: 0 the query field page=N, 1 the field p=N,
// 2 /page/N at the path's end, 3 /N at the path's end, 4 -pN ending the last segment's name.
std::optional<Numbered> Find(const std::string& address, int kind) {
    const std::size_t q = address.find('?');
    const std::string path = address.substr(0, q);
    const std::string query = q == std::string::npos ? "" : address.substr(q);
    if (kind <= 1) {
        const std::string_view key = kind == 0 ? "page=" : "p=";
        for (std::size_t at = 1; at < query.size();) {
            const std::size_t end = std::min(query.find('&', at), query.size());
            const std::string_view field = std::string_view(query).substr(at, end - at);
            if (field.substr(0, key.size()) == key)
                if (const auto n = Digits(field.substr(key.size()))) {
                    std::string kept = query.substr(0, at - 1);
                    if (end < query.size())
                        kept += (kept.empty() ? "?" : "&") + query.substr(end + 1);
                    return Numbered{*n, Canonical(path, kept)};
                }
            at = end + 1;
        }
        return std::nullopt;
    }
    std::string_view trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.remove_suffix(1);
    const std::size_t slash = trimmed.rfind('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    const std::string_view last = trimmed.substr(slash + 1);
    if (kind == 2 || kind == 3) {
        const auto n = Digits(last);
        const std::string_view before = trimmed.substr(0, slash);
        if (!n)
            return std::nullopt;
        if (kind == 3)
            return Numbered{*n, Canonical(std::string(before.empty() ? "/" : before), query)};
        if (before.size() < 5 || before.substr(before.size() - 5) != "/page")
            return std::nullopt;
        const std::string_view home = before.substr(0, before.size() - 5);
        return Numbered{*n, Canonical(std::string(home.empty() ? "/" : home), query)};
    }
    const std::size_t dot = last.find('.');
    const std::string_view name = last.substr(0, dot);
    const std::size_t p = name.rfind("-p");
    if (p == std::string_view::npos)
        return std::nullopt;
    const auto n = Digits(name.substr(p + 2));
    if (!n)
        return std::nullopt;
    std::string without(trimmed.substr(0, slash + 1 + p));
    if (dot != std::string_view::npos)
        without += last.substr(dot);
    return Numbered{*n, Canonical(without, query)};
}

} // namespace

NextPage::NextPage(ResolvedLink page) : page(std::move(page)) {}

bool NextPage::Eligible(const ResolvedLink& link) const {
    return link.server == page.server && !(link.path == page.path && link.service == page.service);
}

void NextPage::OfferRel(const ResolvedLink& link) {
    if (byRel.empty() && Eligible(link))
        byRel = (link.service == 2 ? "https://" : "http://") + link.server + link.path;
}

void NextPage::OfferLink(const ResolvedLink& link, std::string_view text, std::string_view label) {
    if (!Eligible(link) || (!byWord.empty() && !byNumber.empty()))
        return;
    const std::string address =
        (link.service == 2 ? "https://" : "http://") + link.server + link.path;
    if (byWord.empty() && (SaysNext(text) || SaysNext(label)))
        byWord = address;
    if (byNumber.empty() && Continues(page.path, link.path))
        byNumber = address;
}

std::string NextPage::Chosen() const {
    return !byRel.empty() ? byRel : !byWord.empty() ? byWord : byNumber;
}

bool NextPage::SaysNext(std::string_view text) {
    if (text.empty() || text.size() > 40)
        return false;
    const std::string folded = Folded(ModernScanner::Collapsed(text, 64));
    for (const std::string_view word : nextWords)
        if (folded == word)
            return true;
    return false;
}

bool NextPage::Continues(const std::string& page, const std::string& candidate) {
    for (int kind = 0; kind <= 4; ++kind) {
        const std::optional<Numbered> c = Find(candidate, kind);
        if (!c)
            continue;
        const std::optional<Numbered> p = Find(page, kind);
        const std::size_t q = page.find('?');
        const std::string plain =
            Canonical(page.substr(0, q), q == std::string::npos ? "" : page.substr(q));
        if (p ? c->number == p->number + 1 && c->rest == p->rest
              : c->number == 2 && c->rest == plain)
            return true;
    }
    return false;
}
