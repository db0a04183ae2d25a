#include "harvest/ModernScanner.h"

#include "harvest/PageCharset.h"
#include "harvest/PageTree.h"
#include "harvest/PlaceWords.h"
#include "harvest/TextMatch.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>
#include <limits>
#include <optional>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

const char* Attribute(const xmlChar** attributes, const char* name) {
    for (int i = 0; attributes != nullptr && attributes[i] != nullptr; i += 2)
        if (std::strcmp(reinterpret_cast<const char*>(attributes[i]), name) == 0)
            return attributes[i + 1] != nullptr ? reinterpret_cast<const char*>(attributes[i + 1])
                                                : "";
    return nullptr;
}

// True when the blank-separated tokens of a rel value hold `upperToken`, in any case.
bool RelHolds(const char* rel, std::string_view upperToken) {
    std::string_view rest = rel != nullptr ? rel : "";
    while (!rest.empty()) {
        const auto blank = std::find_if(rest.begin(), rest.end(), IsBlank);
        const auto length = static_cast<std::size_t>(blank - rest.begin());
        if (length == upperToken.size() && StartsWithNoCase(rest, upperToken))
            return true;
        rest.remove_prefix(std::min(rest.size(), length + 1));
    }
    return false;
}

// A lazy-loading attribute may hold what a script makes an address of: JSON, a template such
// as {{url}}, or words. None of it is an address.
bool LooksLikeAddress(std::string_view v) {
    if (v.front() == '{' || v.front() == '[' || v.find("{{") != std::string_view::npos ||
        v.find("${") != std::string_view::npos)
        return false;
    for (const char c : v)
        if (IsBlank(c))
            return false;
    return true;
}

// The first of `names` that holds an address; a data: value is a placeholder, not an address.
const char* FirstAddress(const xmlChar** attributes, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const char* value = Attribute(attributes, name);
        if (value == nullptr)
            continue;
        const std::string_view v = Trimmed(value);
        const bool lazy = std::strncmp(name, "data-", 5) == 0;
        if (!v.empty() && !StartsWithNoCase(v, "DATA:") && (!lazy || LooksLikeAddress(v)))
            return value;
    }
    return nullptr;
}

bool EndsWith(const char* text, std::string_view tail) {
    const std::string_view t(text);
    return t.size() >= tail.size() && t.substr(t.size() - tail.size()) == tail;
}

bool Is(const xmlChar* name, const char* wanted) {
    return std::strcmp(reinterpret_cast<const char*>(name), wanted) == 0;
}

void ReadDescriptor(std::string_view descriptor, SrcCandidate& candidate) {
    std::size_t p = 0;
    while (p < descriptor.size()) {
        while (p < descriptor.size() && IsBlank(descriptor[p]))
            ++p;
        const std::size_t start = p;
        while (p < descriptor.size() && !IsBlank(descriptor[p]))
            ++p;
        const std::string_view token = descriptor.substr(start, p - start);
        if (token.size() < 2)
            continue;
        double value = 0;
        const auto [end, error] = std::from_chars(token.data(), token.data() + token.size() - 1,
                                                  value, std::chars_format::general);
        if (error != std::errc() || end != token.data() + token.size() - 1 || !(value > 0))
            continue;
        if (token.back() == 'w')
            candidate.width = value;
        else if (token.back() == 'x')
            candidate.density = value;
    }
}

// `a` and `b` differ at most in their numbers: sizes and qualities of one picture.
bool SameButDigits(std::string_view a, std::string_view b) {
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            while (i < a.size() && isDigit(a[i]))
                ++i;
            while (j < b.size() && isDigit(b[j]))
                ++j;
        } else if (a[i++] != b[j++]) {
            return false;
        }
    }
    return i == a.size() && j == b.size();
}

// A placeholder and a noscript copy show one picture when any of their addresses agree.
bool SamePicture(const std::vector<SrcCandidate>& a, const std::vector<SrcCandidate>& b) {
    for (const SrcCandidate& x : a)
        for (const SrcCandidate& y : b)
            if (SameButDigits(x.address, y.address))
                return true;
    return false;
}

// Media elements left open nest no deeper than this; those within are read as if alone.
constexpr std::size_t maxFrames = 64;

// What the parser's callbacks share during one scan.
class ScanState {
public:
    ScanState(ModernScanListener& listener, PlaceScorer& scorer)
        : listener(listener), scorer(scorer) {}

    void Start(const xmlChar* name, const xmlChar** attributes);
    void End(const xmlChar* name);
    void Text(const xmlChar* text, int length) {
        const std::string_view t(reinterpret_cast<const char*>(text),
                                 static_cast<std::size_t>(length));
        if (!Trimmed(t).empty() && noscriptDepth == 0)
            FlushPending(); // words between a picture and a noscript part them
        scorer.Text(t);
        if (linkTextOpen)
            listener.OnLinkText(t);
        if (titleState == TitleState::Reading && title.size() < 4 * ModernScanner::titleLimit)
            title.append(t);
    }
    // Pictures still open when the page ends are reported as they stand.
    void Finish() {
        if (pictureLinkOpen && !pictureLinkShown)
            Report(pictureLink.c_str(), LinkContext::Anchor);
        pictureLinkOpen = false;
        FlushPending();
        while (!frames.empty())
            PopFrame();
    }

private:
    enum class TitleState { Before, Reading, Done };
    // A picture and what it says of its place.
    struct Picture {
        std::vector<SrcCandidate> candidates;
        PictureSignals signals;
    };
    struct Frame {
        LinkContext kind;
        Picture picture;
        bool hasImg = false; // a picture's img is its last part: a second img stands alone
    };

    void Report(const char* address, LinkContext context, PictureSignals signals = {}) {
        if (address == nullptr)
            return;
        if (signals.node < 0)
            signals = Signals(nullptr);
        listener.OnLink({SrcCandidate{address}}, context, signals);
    }
    // What an element says of the place of the picture it shows, where it stands now.
    PictureSignals Signals(const xmlChar** attributes) const {
        PictureSignals s;
        s.node = scorer.Current();
        s.linksToPage = scorer.InLinkToPage();
        if (s.linksToPage)
            s.linkHref = pageLink;
        // Its alt text and address are no words of its place: "Pixel" may be a phone.
        for (const char* name : {"class", "id"})
            if (const char* v = Attribute(attributes, name))
                s.words |= PlaceWords::Of(v);
        if (const char* alt = Attribute(attributes, "alt"))
            s.text = ModernScanner::Collapsed(alt, ModernScanner::textLimit);
        s.width = Dimension(Attribute(attributes, "width"));
        s.height = Dimension(Attribute(attributes, "height"));
        const char* style = Attribute(attributes, "style");
        s.hidden = PageTree::HiddenAttribute(reinterpret_cast<const char* const*>(attributes)) ||
                   (style != nullptr && (ContainsNoCase(style, "DISPLAY:NONE") ||
                                         ContainsNoCase(style, "DISPLAY: NONE") ||
                                         ContainsNoCase(style, "VISIBILITY:HIDDEN") ||
                                         ContainsNoCase(style, "VISIBILITY: HIDDEN")));
        return s;
    }
    static int32_t Dimension(const char* value) {
        int32_t n = 0;
        if (value == nullptr)
            return 0;
        const std::string_view v = Trimmed(value);
        const auto [end, error] = std::from_chars(v.data(), v.data() + v.size(), n);
        return error == std::errc() && n > 0 ? n : 0;
    }
    void Emit(Picture&& p) {
        if (p.candidates.empty())
            return;
        Unique(p.candidates);
        listener.OnLink(std::move(p.candidates), LinkContext::Picture, p.signals);
    }
    // One candidate per address, with the largest size it was given, in the order of the
    // first: a srcset that repeats one address costs one.
    static void Unique(std::vector<SrcCandidate>& candidates) {
        if (candidates.size() < 2)
            return;
        std::vector<uint8_t> order(candidates.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = static_cast<uint8_t>(i);
        std::stable_sort(order.begin(), order.end(), [&](uint8_t a, uint8_t b) {
            return candidates[a].address < candidates[b].address;
        });
        std::vector<bool> repeated(candidates.size(), false);
        for (std::size_t k = 1, first = order[0]; k < order.size(); ++k) {
            SrcCandidate& kept = candidates[first];
            const SrcCandidate& c = candidates[order[k]];
            if (c.address != kept.address) {
                first = order[k];
                continue;
            }
            kept.width = std::max(kept.width, c.width);
            kept.density = std::max(kept.density, c.density);
            repeated[order[k]] = true;
        }
        std::size_t out = 0;
        for (std::size_t i = 0; i < candidates.size(); ++i)
            if (!repeated[i] && out++ != i)
                candidates[out - 1] = std::move(candidates[i]);
        candidates.resize(out);
    }
    static void Add(std::vector<SrcCandidate>& to, std::vector<SrcCandidate>&& more) {
        for (SrcCandidate& c : more)
            if (to.size() < ModernScanner::maxCandidates)
                to.push_back(std::move(c));
    }
    void PopFrame() {
        Frame frame = std::move(frames.back());
        frames.pop_back();
        if (frame.kind == LinkContext::Picture && !frame.picture.candidates.empty()) {
            FlushPending();
            pending = std::move(frame.picture);
        }
    }
    // A picture outside a picture element waits for what follows it: a noscript copy right
    // after it is the same picture, often in its real size beside a blurred placeholder.
    void FlushPending() {
        Emit(std::move(pending));
        pending = {};
    }
    void CloseFrame(LinkContext kind) {
        for (std::size_t i = frames.size(); i-- > 0;) {
            if (frames[i].kind == kind) {
                while (frames.size() > i)
                    PopFrame();
                return;
            }
        }
    }
    void ImageCandidates(const xmlChar** attributes, std::vector<SrcCandidate>& out) {
        // Lazy-loading libraries keep a picture's real address in one of these; `src` is often
        // a placeholder beside them, so it comes last.
        if (const char* src =
                FirstAddress(attributes, {"data-src", "data-original", "data-lazy-src", "data-lazy",
                                          "data-src-retina", "data-hi-res-src", "src"}))
            out.push_back({src});
        for (const char* name : {"srcset", "data-srcset", "data-lazy-srcset"})
            if (const char* srcset = Attribute(attributes, name))
                ModernScanner::AddSrcset(srcset, out);
    }
    void EndTitle();

    ModernScanListener& listener;
    PlaceScorer& scorer;
    std::vector<Frame> frames;
    Picture pending; // the last picture, while a noscript copy may follow
    // An open link to a picture file: a thumbnail inside it is the same picture, listed once
    // at the linked size; a link that holds no picture is listed when it closes.
    std::string pictureLink;
    std::string pageLink; // the href of the last link to another page that opened
    bool pictureLinkOpen = false;
    bool linkTextOpen = false; // the link to a page reported last is open: its text is told
    bool pictureLinkShown = false;
    int noscriptDepth = 0;
    bool pendingTakesCopy = false; // the noscript right after the pending picture is open
    bool baseSeen = false;
    int svgDepth = 0;
    TitleState titleState = TitleState::Before;
    std::string title;
};

void ScanState::Start(const xmlChar* name, const xmlChar** attributes) {
    const bool isImg = Is(name, "img");
    if (Is(name, "noscript")) {
        pendingTakesCopy = noscriptDepth == 0 && !pending.candidates.empty();
        ++noscriptDepth;
        if (!pendingTakesCopy)
            FlushPending();
    } else if (!isImg || noscriptDepth == 0 || !pendingTakesCopy) {
        FlushPending();
    }
    if (isImg && !frames.empty() && frames.back().kind == LinkContext::Picture &&
        frames.back().hasImg)
        PopFrame(); // an unclosed picture folds no later picture into its own
    scorer.Open(reinterpret_cast<const char*>(name),
                reinterpret_cast<const char* const*>(attributes));
    Frame* inner = frames.empty() ? nullptr : &frames.back();
    if (const char* type = Attribute(attributes, "itemtype");
        type != nullptr && EndsWith(type, "/ImageObject"))
        Report(FirstAddress(attributes, {"itemid"}), LinkContext::Picture);
    // Most elements are none of those below: they are passed by their first letter.
    if (std::string_view("aipsvmlbt").find(static_cast<char>(name[0])) == std::string_view::npos)
        return;
    if (Is(name, "a") || Is(name, "area")) {
        const char* href = Attribute(attributes, "href");
        const bool toPicture = href != nullptr && Is(name, "a") && !pictureLinkOpen &&
                               ModernCategory::IsPictureFile(href);
        if (toPicture) {
            pictureLink = href;
            pictureLinkOpen = true;
            pictureLinkShown = false;
        } else {
            Report(href, LinkContext::Anchor);
            if (href != nullptr && Is(name, "a")) {
                pageLink = href;
                if (const char* label = Attribute(attributes, "aria-label"))
                    listener.OnLinkLabel(label);
                if (RelHolds(Attribute(attributes, "rel"), "NEXT"))
                    listener.OnRelNext(href);
            }
            linkTextOpen = href != nullptr && Is(name, "a");
        }
    } else if (isImg) {
        Picture picture{{}, Signals(attributes)};
        ImageCandidates(attributes, picture.candidates);
        // A gallery's thumbnail that switches the large view to its picture is that picture,
        // listed once at its large size. These attributes name the picture switched to.
        if (const char* large = FirstAddress(
                attributes, {"data-zoom-image", "data-large_image", "data-large", "data-full",
                             "data-full-src", "data-zoom", "data-big", "data-highres"});
            large != nullptr && !picture.candidates.empty())
            picture.candidates.insert(picture.candidates.begin(), SrcCandidate{large, 1e12, 1});
        if (!picture.candidates.empty() && pictureLinkOpen && !pictureLinkShown) {
            // The linked file first, and larger than any size the thumbnail names.
            picture.candidates.insert(picture.candidates.begin(),
                                      SrcCandidate{pictureLink, 1e12, 1});
            pictureLinkShown = true;
        }
        if (inner != nullptr && inner->kind == LinkContext::Picture) {
            Add(inner->picture.candidates, std::move(picture.candidates));
            inner->picture.signals = picture.signals;
            inner->hasImg = true;
        } else if (!picture.candidates.empty() && pendingTakesCopy &&
                   SamePicture(picture.candidates, pending.candidates)) {
            // The noscript copy comes first: a tie goes to it, not to the placeholder.
            Add(picture.candidates, std::move(pending.candidates));
            picture.signals = pending.signals;
            pending = std::move(picture);
        } else if (!picture.candidates.empty()) {
            FlushPending();
            pendingTakesCopy = false; // a noscript picture of its own
            pending = std::move(picture);
            if (noscriptDepth > 0)
                FlushPending();
        }
    } else if (Is(name, "source")) {
        if (inner != nullptr && inner->kind == LinkContext::Picture) {
            for (const char* attribute : {"srcset", "data-srcset"})
                if (const char* srcset = Attribute(attributes, attribute))
                    ModernScanner::AddSrcset(srcset, inner->picture.candidates);
            if (const char* src = FirstAddress(attributes, {"src"}))
                Add(inner->picture.candidates, {SrcCandidate{src}});
        } else if (inner != nullptr) {
            Report(FirstAddress(attributes, {"src"}), inner->kind);
        }
    } else if (Is(name, "picture")) {
        // A picture left open with its img is complete: a page of unclosed pictures keeps one.
        if (inner != nullptr && inner->kind == LinkContext::Picture && inner->hasImg)
            PopFrame();
        if (frames.size() < maxFrames)
            frames.push_back({LinkContext::Picture, {{}, Signals(attributes)}});
    } else if (Is(name, "video") || Is(name, "audio")) {
        const LinkContext kind = Is(name, "video") ? LinkContext::Video : LinkContext::Audio;
        Report(FirstAddress(attributes, {"src"}), kind);
        if (kind == LinkContext::Video)
            Report(FirstAddress(attributes, {"data-poster", "poster"}), LinkContext::Picture,
                   Signals(attributes));
        if (frames.size() < maxFrames)
            frames.push_back({kind, {}});
    } else if (Is(name, "meta")) {
        const char* property = Attribute(attributes, "property");
        if (property == nullptr)
            property = Attribute(attributes, "name");
        const std::string_view p = property != nullptr ? property : "";
        if (p == "referrer")
            if (const char* content = Attribute(attributes, "content"))
                listener.OnReferrerPolicy(content);
        if (p == "og:image" || p == "og:video" || p == "twitter:image") {
            PictureSignals card = Signals(nullptr);
            card.onlyMeta = p != "og:video";
            Report(FirstAddress(attributes, {"content"}),
                   p == "og:video" ? LinkContext::Video : LinkContext::Picture, card);
        }
    } else if (Is(name, "link")) {
        const char* rel = Attribute(attributes, "rel");
        if (const char* href = Attribute(attributes, "href"); href && RelHolds(rel, "NEXT"))
            listener.OnRelNext(href);
        if (rel != nullptr && std::string_view(rel) == "image_src") {
            PictureSignals card = Signals(nullptr);
            card.onlyMeta = true;
            Report(FirstAddress(attributes, {"href"}), LinkContext::Picture, card);
        }
    } else if (Is(name, "base")) {
        const char* href = Attribute(attributes, "href");
        if (href != nullptr && !baseSeen) {
            baseSeen = true;
            listener.OnBase(href);
        }
    } else if (Is(name, "svg")) {
        ++svgDepth;
    } else if (Is(name, "title") && svgDepth == 0 && titleState == TitleState::Before) {
        titleState = TitleState::Reading;
    }
}

void ScanState::End(const xmlChar* name) {
    scorer.Close();
    // Most elements are none of those below: they are passed by their first letter.
    if (std::string_view("pvastn").find(static_cast<char>(name[0])) == std::string_view::npos)
        return;
    if (Is(name, "picture")) {
        CloseFrame(LinkContext::Picture);
    } else if (Is(name, "video")) {
        CloseFrame(LinkContext::Video);
    } else if (Is(name, "audio")) {
        CloseFrame(LinkContext::Audio);
    } else if (Is(name, "svg") && svgDepth > 0) {
        --svgDepth;
    } else if (Is(name, "title") && titleState == TitleState::Reading) {
        EndTitle();
    } else if (Is(name, "noscript") && noscriptDepth > 0 && --noscriptDepth == 0) {
        pendingTakesCopy = false;
        FlushPending();
    } else if (Is(name, "a")) {
        linkTextOpen = false;
        if (pictureLinkOpen && !pictureLinkShown)
            Report(pictureLink.c_str(), LinkContext::Anchor);
        pictureLinkOpen = false;
    }
}

void ScanState::EndTitle() {
    titleState = TitleState::Done;
    listener.OnTitle(ModernScanner::Collapsed(title, ModernScanner::titleLimit));
}

void OnStart(void* user, const xmlChar* name, const xmlChar** attributes) {
    static_cast<ScanState*>(user)->Start(name, attributes);
}

void OnEnd(void* user, const xmlChar* name) {
    static_cast<ScanState*>(user)->End(name);
}

void OnText(void* user, const xmlChar* text, int length) {
    static_cast<ScanState*>(user)->Text(text, length);
}

void Silent(void*, const char*, ...) {}

} // namespace

void ModernScanner::ScanPage(std::string_view page, ModernScanListener& listener,
                             std::string_view contentType, PlaceScorer* scorer) {
    PlaceScorer ownScorer;
    const std::optional<std::string> utf8 = PageCharset::ToUtf8(page, contentType);
    if (utf8)
        page = *utf8;
    xmlInitParser();
    xmlSetGenericErrorFunc(nullptr, Silent);
    ScanState state(listener, scorer != nullptr ? *scorer : ownScorer);
    // The whole page is in memory: the pull parser reads it faster than the push parser.
    htmlParserCtxtPtr parser = htmlCreateMemoryParserCtxt(
        page.data(),
        static_cast<int>(std::min<std::size_t>(page.size(), std::numeric_limits<int>::max())));
    if (parser == nullptr)
        return;
    htmlSAXHandler* sax = parser->sax;
    std::memset(sax, 0, sizeof *sax);
    sax->startElement = OnStart;
    sax->endElement = OnEnd;
    sax->characters = OnText;
    sax->ignorableWhitespace = OnText;
    parser->userData = &state;
    // The text is UTF-8 by now, whatever the page's meta elements say.
    htmlCtxtUseOptions(parser, HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                                   HTML_PARSE_NONET | HTML_PARSE_IGNORE_ENC);
    xmlSwitchEncoding(parser, XML_CHAR_ENCODING_UTF8);
    htmlParseDocument(parser);
    htmlFreeParserCtxt(parser);
    state.Finish();
}

std::string ModernScanner::Collapsed(std::string_view text, std::size_t limit) {
    std::string out;
    for (const char c : text) {
        if (!IsBlank(c))
            out += c;
        else if (!out.empty() && out.back() != ' ')
            out += ' ';
    }
    if (!out.empty() && out.back() == ' ')
        out.pop_back();
    if (out.size() > limit) {
        std::size_t cut = limit;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80)
            --cut; // never inside a character
        out.erase(cut);
    }
    return out;
}

void ModernScanner::AddSrcset(std::string_view srcset, std::vector<SrcCandidate>& out) {
    std::size_t p = 0;
    while (p < srcset.size() && out.size() < maxCandidates) {
        while (p < srcset.size() && (IsBlank(srcset[p]) || srcset[p] == ','))
            ++p;
        if (p >= srcset.size())
            break;
        const std::size_t start = p;
        while (p < srcset.size() && !IsBlank(srcset[p]))
            ++p;
        std::string_view address = srcset.substr(start, p - start);
        SrcCandidate candidate;
        if (address.back() == ',') {
            while (!address.empty() && address.back() == ',')
                address.remove_suffix(1);
        } else {
            const std::size_t descriptorStart = p;
            int depth = 0;
            while (p < srcset.size() && (srcset[p] != ',' || depth > 0)) {
                depth += srcset[p] == '(' ? 1 : srcset[p] == ')' && depth > 0 ? -1 : 0;
                ++p;
            }
            ReadDescriptor(srcset.substr(descriptorStart, p - descriptorStart), candidate);
        }
        if (!address.empty()) {
            candidate.address = std::string(address);
            out.push_back(std::move(candidate));
        }
    }
}

std::size_t ModernScanner::Largest(const std::vector<SrcCandidate>& candidates) {
    std::size_t best = 0;
    bool byWidth = false;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const SrcCandidate& c = candidates[i];
        if (c.width > 0 && (!byWidth || c.width > candidates[best].width)) {
            best = i;
            byWidth = true;
        } else if (!byWidth && c.width <= 0 && c.density > candidates[best].density) {
            best = i;
        }
    }
    return best;
}
