#include "harvest/ModernScanner.h"

#include "harvest/PageCharset.h"
#include "harvest/TextMatch.h"

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

// What the parser's callbacks share during one scan.
class ScanState {
public:
    explicit ScanState(ModernScanListener& listener) : listener(listener) {}

    void Start(const xmlChar* name, const xmlChar** attributes);
    void End(const xmlChar* name);
    void Text(const xmlChar* text, int length) {
        const std::string_view t(reinterpret_cast<const char*>(text),
                                 static_cast<std::size_t>(length));
        if (!Trimmed(t).empty() && noscriptDepth == 0)
            FlushPending(); // words between a picture and a noscript part them
        if (titleState == TitleState::Reading && title.size() < 4 * ModernScanner::titleLimit)
            title.append(t);
    }
    // Pictures still open when the page ends are reported as they stand.
    void Finish() {
        FlushPending();
        while (!frames.empty())
            PopFrame();
    }

private:
    enum class TitleState { Before, Reading, Done };
    struct Frame {
        LinkContext kind;
        std::vector<SrcCandidate> candidates;
        bool hasImg = false; // a picture's img is its last part: a second img stands alone
    };

    void Report(const char* address, LinkContext context) {
        if (address != nullptr)
            listener.OnLink({SrcCandidate{address}}, context);
    }
    static void Add(std::vector<SrcCandidate>& to, std::vector<SrcCandidate>&& more) {
        for (SrcCandidate& c : more)
            if (to.size() < ModernScanner::maxCandidates)
                to.push_back(std::move(c));
    }
    void PopFrame() {
        Frame frame = std::move(frames.back());
        frames.pop_back();
        if (frame.kind == LinkContext::Picture && !frame.candidates.empty()) {
            FlushPending();
            pending = std::move(frame.candidates);
        }
    }
    // A picture outside a picture element waits for what follows it: a noscript copy right
    // after it is the same picture, often in its real size beside a blurred placeholder.
    void FlushPending() {
        if (!pending.empty())
            listener.OnLink(std::move(pending), LinkContext::Picture);
        pending.clear();
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
    std::vector<Frame> frames;
    std::vector<SrcCandidate> pending; // the last picture, while a noscript copy may follow
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
        pendingTakesCopy = noscriptDepth == 0 && !pending.empty();
        ++noscriptDepth;
        if (!pendingTakesCopy)
            FlushPending();
    } else if (!isImg || noscriptDepth == 0 || !pendingTakesCopy) {
        FlushPending();
    }
    if (isImg && !frames.empty() && frames.back().kind == LinkContext::Picture &&
        frames.back().hasImg)
        PopFrame(); // an unclosed picture folds no later picture into its own
    Frame* inner = frames.empty() ? nullptr : &frames.back();
    if (const char* type = Attribute(attributes, "itemtype");
        type != nullptr && EndsWith(type, "/ImageObject"))
        Report(FirstAddress(attributes, {"itemid"}), LinkContext::Picture);
    if (Is(name, "a") || Is(name, "area")) {
        Report(Attribute(attributes, "href"), LinkContext::Anchor);
    } else if (isImg) {
        std::vector<SrcCandidate> candidates;
        ImageCandidates(attributes, candidates);
        if (inner != nullptr && inner->kind == LinkContext::Picture) {
            Add(inner->candidates, std::move(candidates));
            inner->hasImg = true;
        } else if (!candidates.empty() && pendingTakesCopy) {
            // The noscript copy comes first: a tie goes to it, not to the placeholder.
            Add(candidates, std::move(pending));
            pending = std::move(candidates);
        } else if (!candidates.empty()) {
            FlushPending();
            pending = std::move(candidates);
            if (noscriptDepth > 0)
                FlushPending();
        }
    } else if (Is(name, "source")) {
        if (inner != nullptr && inner->kind == LinkContext::Picture) {
            for (const char* attribute : {"srcset", "data-srcset"})
                if (const char* srcset = Attribute(attributes, attribute))
                    ModernScanner::AddSrcset(srcset, inner->candidates);
            if (const char* src = FirstAddress(attributes, {"src"}))
                Add(inner->candidates, {SrcCandidate{src}});
        } else if (inner != nullptr) {
            Report(FirstAddress(attributes, {"src"}), inner->kind);
        }
    } else if (Is(name, "picture")) {
        frames.push_back({LinkContext::Picture, {}});
    } else if (Is(name, "video") || Is(name, "audio")) {
        const LinkContext kind = Is(name, "video") ? LinkContext::Video : LinkContext::Audio;
        Report(FirstAddress(attributes, {"src"}), kind);
        if (kind == LinkContext::Video)
            Report(FirstAddress(attributes, {"data-poster", "poster"}), LinkContext::Picture);
        frames.push_back({kind, {}});
    } else if (Is(name, "meta")) {
        const char* property = Attribute(attributes, "property");
        if (property == nullptr)
            property = Attribute(attributes, "name");
        if (property != nullptr &&
            (std::strcmp(property, "og:image") == 0 || std::strcmp(property, "og:video") == 0))
            Report(FirstAddress(attributes, {"content"}),
                   property[3] == 'i' ? LinkContext::Picture : LinkContext::Video);
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
    if (Is(name, "picture"))
        CloseFrame(LinkContext::Picture);
    else if (Is(name, "video"))
        CloseFrame(LinkContext::Video);
    else if (Is(name, "audio"))
        CloseFrame(LinkContext::Audio);
    else if (Is(name, "svg") && svgDepth > 0)
        --svgDepth;
    else if (Is(name, "title") && titleState == TitleState::Reading)
        EndTitle();
    else if (Is(name, "noscript") && noscriptDepth > 0 && --noscriptDepth == 0) {
        pendingTakesCopy = false;
        FlushPending();
    }
}

void ScanState::EndTitle() {
    titleState = TitleState::Done;
    std::string collapsed;
    for (const char c : title) {
        if (IsBlank(c)) {
            if (!collapsed.empty() && collapsed.back() != ' ')
                collapsed += ' ';
        } else {
            collapsed += c;
        }
    }
    if (!collapsed.empty() && collapsed.back() == ' ')
        collapsed.pop_back();
    if (collapsed.size() > ModernScanner::titleLimit) {
        std::size_t cut = ModernScanner::titleLimit;
        while (cut > 0 && (static_cast<unsigned char>(collapsed[cut]) & 0xC0) == 0x80)
            --cut;
        collapsed.erase(cut);
    }
    listener.OnTitle(collapsed);
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

// The parser reads nothing after the end of the html element, where browsers go on showing
// what stands: the end tags of html and body are blanked in a copy of the page.
std::string WithoutDocumentEnd(std::string_view page) {
    std::string text;
    for (std::size_t at = page.find("</"); at != std::string_view::npos;
         at = page.find("</", at + 2)) {
        const std::string_view name = page.substr(at + 2, 4);
        if (!StartsWithNoCase(name, "HTML") && !StartsWithNoCase(name, "BODY"))
            continue;
        if (text.empty())
            text.assign(page);
        text.replace(at, 6, 6, ' ');
    }
    return text;
}

void ModernScanner::ScanPage(std::string_view page, ModernScanListener& listener,
                             std::string_view contentType) {
    const std::optional<std::string> utf8 = PageCharset::ToUtf8(page, contentType);
    if (utf8)
        page = *utf8;
    const std::string blanked = WithoutDocumentEnd(page);
    if (!blanked.empty())
        page = blanked;
    xmlInitParser();
    xmlSetGenericErrorFunc(nullptr, Silent);
    ScanState state(listener);
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
