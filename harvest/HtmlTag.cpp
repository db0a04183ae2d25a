#include "harvest/HtmlTag.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

// Sorted by name, for a binary search.
constexpr std::pair<std::string_view, HtmlTag> tags[] = {
    {"a", HtmlTag::A},
    {"abbr", HtmlTag::Phrasing},
    {"address", HtmlTag::Address},
    {"area", HtmlTag::Void},
    {"article", HtmlTag::Article},
    {"aside", HtmlTag::Aside},
    {"b", HtmlTag::Phrasing},
    {"base", HtmlTag::Void},
    {"bdi", HtmlTag::Phrasing},
    {"bdo", HtmlTag::Phrasing},
    {"big", HtmlTag::Phrasing},
    {"blockquote", HtmlTag::Blockquote},
    {"body", HtmlTag::Body},
    {"br", HtmlTag::Br},
    {"button", HtmlTag::Button},
    {"caption", HtmlTag::Caption},
    {"cite", HtmlTag::Phrasing},
    {"code", HtmlTag::Code},
    {"col", HtmlTag::Void},
    {"data", HtmlTag::Phrasing},
    {"dd", HtmlTag::Dd},
    {"del", HtmlTag::Phrasing},
    {"dfn", HtmlTag::Phrasing},
    {"div", HtmlTag::Div},
    {"dl", HtmlTag::Dl},
    {"dt", HtmlTag::Dt},
    {"em", HtmlTag::Phrasing},
    {"embed", HtmlTag::Embed},
    {"fieldset", HtmlTag::Fieldset},
    {"figcaption", HtmlTag::Figcaption},
    {"figure", HtmlTag::Figure},
    {"font", HtmlTag::Phrasing},
    {"footer", HtmlTag::Footer},
    {"form", HtmlTag::Form},
    {"h1", HtmlTag::H1},
    {"h2", HtmlTag::H2},
    {"h3", HtmlTag::H3},
    {"h4", HtmlTag::H4},
    {"h5", HtmlTag::H5},
    {"h6", HtmlTag::H6},
    {"header", HtmlTag::Header},
    {"hr", HtmlTag::Void},
    {"html", HtmlTag::Html},
    {"i", HtmlTag::Phrasing},
    {"iframe", HtmlTag::Iframe},
    {"img", HtmlTag::Img},
    {"input", HtmlTag::Input},
    {"ins", HtmlTag::Phrasing},
    {"kbd", HtmlTag::Phrasing},
    {"label", HtmlTag::Phrasing},
    {"li", HtmlTag::Li},
    {"link", HtmlTag::Void},
    {"main", HtmlTag::Main},
    {"mark", HtmlTag::Phrasing},
    {"meta", HtmlTag::Void},
    {"nav", HtmlTag::Nav},
    {"noscript", HtmlTag::Noscript},
    {"object", HtmlTag::Object},
    {"ol", HtmlTag::Ol},
    {"p", HtmlTag::P},
    {"picture", HtmlTag::Phrasing},
    {"pre", HtmlTag::Pre},
    {"q", HtmlTag::Phrasing},
    {"s", HtmlTag::Phrasing},
    {"samp", HtmlTag::Phrasing},
    {"script", HtmlTag::Script},
    {"section", HtmlTag::Section},
    {"select", HtmlTag::Select},
    {"small", HtmlTag::Phrasing},
    {"source", HtmlTag::Void},
    {"span", HtmlTag::Phrasing},
    {"strike", HtmlTag::Phrasing},
    {"strong", HtmlTag::Phrasing},
    {"style", HtmlTag::Style},
    {"sub", HtmlTag::Phrasing},
    {"sup", HtmlTag::Phrasing},
    {"svg", HtmlTag::Svg},
    {"table", HtmlTag::Table},
    {"td", HtmlTag::Td},
    {"template", HtmlTag::Template},
    {"textarea", HtmlTag::Textarea},
    {"th", HtmlTag::Th},
    {"time", HtmlTag::Phrasing},
    {"tr", HtmlTag::Tr},
    {"track", HtmlTag::Void},
    {"tt", HtmlTag::Phrasing},
    {"u", HtmlTag::Phrasing},
    {"ul", HtmlTag::Ul},
    {"var", HtmlTag::Phrasing},
    {"wbr", HtmlTag::Void},
};

} // namespace

HtmlTag TagOf(std::string_view name) {
    const auto* at =
        std::lower_bound(std::begin(tags), std::end(tags), name,
                         [](const auto& t, std::string_view n) { return t.first < n; });
    return at != std::end(tags) && at->first == name ? at->second : HtmlTag::Other;
}

bool IsPhrasing(HtmlTag tag) {
    return tag == HtmlTag::Phrasing || tag == HtmlTag::A || tag == HtmlTag::Code ||
           tag == HtmlTag::Br || tag == HtmlTag::Img || tag == HtmlTag::Input ||
           tag == HtmlTag::Button || tag == HtmlTag::Select || tag == HtmlTag::Textarea ||
           tag == HtmlTag::Embed || tag == HtmlTag::Object || tag == HtmlTag::Iframe ||
           tag == HtmlTag::Svg || tag == HtmlTag::Noscript || tag == HtmlTag::Script ||
           tag == HtmlTag::Style || tag == HtmlTag::Template || tag == HtmlTag::Void;
}

bool IsVoid(HtmlTag tag) {
    return tag == HtmlTag::Void || tag == HtmlTag::Img || tag == HtmlTag::Br ||
           tag == HtmlTag::Input || tag == HtmlTag::Embed;
}

bool IsHeading(HtmlTag tag) {
    return tag >= HtmlTag::H1 && tag <= HtmlTag::H6;
}
