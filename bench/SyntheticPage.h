#pragma once
// Pages of about 1 MiB holding `links` links among filler mark-up, for benchmarks: one of IMG
// and A links, and one of today's mark-up (lazy-loaded and responsive pictures, picture
// elements, video, links of every kind).

#include <string>

inline std::string SyntheticPage(int links) {
    static const char* const kinds[] = {".jpg", ".gif", ".htm", ".zip", ".mpg",
                                        ".avi", ".mp3", ".pdf", ".css", ".html#top"};
    std::string page = "<html><head><title>Benchmark page</title></head><body>";
    const std::size_t target = 1048575;
    const std::size_t perLink = target / static_cast<std::size_t>(links);
    for (int i = 0; i < links; ++i) {
        const std::size_t start = page.size();
        const std::string name = "item" + std::to_string(i % 1300) + kinds[i % 10];
        if (i % 2 == 0)
            page += "<img src=\"images/gallery/" + name + "\" width=120 alt='picture " +
                    std::to_string(i) + "'>";
        else
            page += "<a href='/files/section" + std::to_string(i % 7) + "/" + name +
                    "' target=_blank>link</a>";
        while (page.size() - start < perLink)
            page += "<p class=text>Filler text, <b>bold</b> words &amp; more.</p>";
    }
    page.resize(target);
    return page;
}

inline std::string SyntheticModernPage(int links) {
    static const char* const kinds[] = {".jpg", ".png", ".webp", ".html", ".zip",
                                        ".mp4", ".pdf", "",      ".gif",  ".php"};
    std::string page = "<!doctype html><html><head><meta charset=utf-8><title>Benchmark &amp; "
                       "page</title><base href='/news/2026/'></head><body>\n";
    const std::size_t target = 1048575;
    const std::size_t perLink = target / static_cast<std::size_t>(links);
    for (int i = 0; i < links; ++i) {
        const std::size_t start = page.size();
        const std::string name = "item" + std::to_string(i % 1300) + kinds[i % 10];
        switch (i % 4) {
        case 0:
            page += "<img src='data:image/gif;base64,R0lGOD' data-src='/img/" + name +
                    "' data-srcset='/img/w_400/" + name + " 400w, /img/w_800/" + name +
                    " 800w' alt='picture " + std::to_string(i) + "'>\n";
            break;
        case 1:
            page += "<picture><source srcset='https://cdn.example/c_fill,w_1200/" + name +
                    " 1200w'><img src='../" + name + "'></picture>\n";
            break;
        case 2:
            page += "<a href='/files/section" + std::to_string(i % 7) + "/" + name +
                    "?a=1&amp;b=2#top'>link</a>\n";
            break;
        default:
            page += "<video poster='p" + std::to_string(i) + ".jpg'><source src='//media.example/" +
                    name + "'></video>\n";
            break;
        }
        // What an article page holds between its pictures: wrappers, prose and inline data.
        while (page.size() - start < perLink)
            page += "<div class='article-body__paragraph grid-col-8'><p>Filler text of the "
                    "article, with <b>bold</b> and <em>stressed</em> words &amp; a sentence "
                    "that runs on for a while as sentences in articles do.</p></div>\n<script "
                    "type='application/ld+json'>{\"@type\":\"ImageObject\",\"width\":1200,"
                    "\"caption\":\"Inline data that pages carry for their scripts\"}</script>\n";
    }
    page.resize(target);
    return page;
}

// Shapes a hostile or broken page takes, of `bytes` bytes: elements nested without end
// (`<div><img>` never closed), pictures never closed, or pictures of the same 64 srcset sizes.
enum class HostileShape { NestedDivs, UnclosedPictures, LongSrcsets };

inline std::string HostilePage(HostileShape shape, std::size_t bytes) {
    std::string page = "<html><body>";
    for (int i = 0; page.size() < bytes; ++i) {
        const std::string n = std::to_string(i);
        if (shape == HostileShape::NestedDivs) {
            page += "<div><img src=/p" + n + ".jpg>";
        } else if (shape == HostileShape::UnclosedPictures) {
            page += "<picture><img src=/q" + n + ".jpg>";
        } else {
            page += "<img srcset='";
            // The same 64 sizes on every picture: the table never fills, so each is read.
            for (int k = 0; k < 64; ++k)
                page += "/s" + std::to_string(k) + ".jpg " + std::to_string(100 + k) + "w, ";
            page += "'>";
        }
    }
    page.resize(bytes);
    return page;
}
