#pragma once
// The HTML elements the article search and the places of pictures tell apart, and what each
// one is: phrasing content that flows inside a paragraph, or a block of its own.

#include <cstdint>
#include <string_view>

enum class HtmlTag : uint8_t {
    Other, // an element none of the rules names: a block
    Html,
    Body,
    Div,
    Section,
    Article,
    Main,
    P,
    Pre,
    Td,
    Th,
    Tr,
    Table,
    Blockquote,
    Ul,
    Ol,
    Li,
    Dl,
    Dd,
    Dt,
    Form,
    Fieldset,
    Address,
    H1,
    H2,
    H3,
    H4,
    H5,
    H6,
    Header,
    Footer,
    Nav,
    Aside,
    Figure,
    Figcaption,
    Caption,
    Script,
    Style,
    Noscript,
    Template,
    Textarea,
    Select,
    Button,
    Iframe,
    Object,
    Embed,
    Input,
    Img,
    Br,
    Code,
    A,
    Svg,
    Phrasing, // span, em, strong...: flows inside a paragraph
    Void,     // meta, link, hr, source...: holds nothing
};

// The tag of an element named `name` (lower case, as the parser gives it).
HtmlTag TagOf(std::string_view name);
// Text flows through it: the paragraph it stands in goes on.
bool IsPhrasing(HtmlTag tag);
// It holds nothing: img, br, input and the like.
bool IsVoid(HtmlTag tag);
bool IsHeading(HtmlTag tag);
