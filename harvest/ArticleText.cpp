#include "harvest/ArticleText.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

} // namespace

std::vector<int32_t> ArticleText::Paragraphs(const PageTree& tree) {
    const std::vector<PageTree::Node>& nodes = tree.Nodes();
    std::vector<int32_t> owner(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const int32_t parent = nodes[i].parent;
        owner[i] = parent >= 0 && IsPhrasing(nodes[i].tag) ? owner[static_cast<std::size_t>(parent)]
                                                           : static_cast<int32_t>(i);
    }
    return owner;
}

std::string ArticleText::Of(const PageTree& tree, const ArticleFinder::Article& article) {
    if (article.roots.empty())
        return {};
    const std::vector<int32_t> owner = Paragraphs(tree);
    std::string out;
    int32_t paragraph = -1;
    bool blank = false; // a blank is owed before the next word
    for (const PageTree::Run& run : tree.Runs()) {
        const auto node = static_cast<std::size_t>(run.node);
        if (!article.in[node] || article.cut[node])
            continue;
        if (owner[node] != paragraph) {
            paragraph = owner[node];
            while (!out.empty() && IsBlank(out.back()))
                out.pop_back();
            if (!out.empty())
                out += "\n\n";
            blank = false;
        }
        if (run.begin == run.end) { // a line break
            while (!out.empty() && out.back() == ' ')
                out.pop_back();
            if (!out.empty() && out.back() != '\n')
                out += '\n';
            blank = false;
            continue;
        }
        for (const char c : tree.RunText(run)) {
            if (IsBlank(c)) {
                blank = !out.empty() && out.back() != '\n';
                continue;
            }
            if (blank)
                out += ' ';
            blank = false;
            out += c;
        }
    }
    while (!out.empty() && IsBlank(out.back()))
        out.pop_back();
    if (!out.empty())
        out += '\n';
    return out;
}
