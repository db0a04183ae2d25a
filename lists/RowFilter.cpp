#include "lists/RowFilter.h"

#include "download/DownloadWorker.h"

#include <algorithm>

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool Holds(const std::string& haystack, const std::string& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(),
                       [](char a, char b) { return Lower(a) == Lower(b); }) != haystack.end();
}

} // namespace

bool RowFilter::IsMovie(const LinkEntry& row) {
    const FileCategory c = row.category;
    return c == FileCategory::Avi || c == FileCategory::Mpeg || c == FileCategory::Video;
}

bool RowFilter::Passes(const LinkEntry& row) const {
    const FileCategory c = row.category;
    const bool picture = row.IsPicture();
    const bool movie = IsMovie(row);
    const bool page = c == FileCategory::HtmlLink;
    switch (kind) {
    case Kind::All:
        break;
    case Kind::Pictures:
        if (!picture)
            return false;
        break;
    case Kind::Movies:
        if (!movie)
            return false;
        break;
    case Kind::Pages:
        if (!page)
            return false;
        break;
    case Kind::Other:
        if (picture || movie || page)
            return false;
        break;
    }
    if (contentOnly && !(picture && row.IsContent()))
        return false;
    return text.empty() || Holds(row.name, text) || Holds(row.text, text) ||
           Holds(DownloadWorker::RequestAddress(row.server, row.path, row.service), text);
}

std::string RowFilter::CountText(int shown, int total) {
    return std::to_string(shown) + " of " + std::to_string(total) + " rows";
}
