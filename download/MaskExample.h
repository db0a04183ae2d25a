#pragma once
// What a name mask makes of a real name, shown while the mask is typed: the name the first
// content picture of the page read would get, and what each tag stands for.

#include "harvest/LinkTable.h"

#include <array>
#include <string>
#include <utility>

class MaskExample {
public:
    // "Example: Storm Hits the Coast/001 lead-1600.jpg": the name `mask` gives the page's first
    // content picture (else its first picture, else a picture of an example page, also when
    // `page` is null), or "This mask cannot be used: WHY."; empty for an empty mask. The
    // names other files hold already are not looked at.
    static std::string Text(const std::string& mask, const LinkTable* page);
    // Each tag and what it stands for, one line each.
    static const std::array<std::pair<const char*, const char*>, 9> tags;
};
