#pragma once
// A page of about 1 MiB holding `links` IMG and A links among filler mark-up, for benchmarks.

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
