#pragma once
// The text a reader reads as a page's article: the runs of text inside the article's block and
// not cut from it, a paragraph (p, li, a heading, a table cell...) a line of its own with a
// blank line between, br a line break, blanks collapsed.

#include "harvest/ArticleFinder.h"
#include "harvest/PageTree.h"

#include <cstdint>
#include <string>
#include <vector>

class ArticleText {
public:
    static std::string Of(const PageTree& tree, const ArticleFinder::Article& article);
    // Per node: the paragraph its text belongs to, the nearest element that is no phrasing.
    static std::vector<int32_t> Paragraphs(const PageTree& tree);
};
