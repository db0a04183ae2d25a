#include "net/CookieFile.h"

#include <cmath>
#include <cstdlib>

std::vector<Cookie> CookieFile::Parse(std::string_view text) {
    std::vector<Cookie> cookies;
    Parse(text, [&](Cookie&& c) { cookies.push_back(std::move(c)); });
    return cookies;
}

void CookieFile::Parse(std::string_view text, const CookieSink& sink) {
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        Cookie c;
        constexpr std::string_view httpOnly = "#HttpOnly_";
        if (line.substr(0, httpOnly.size()) == httpOnly) {
            c.httpOnly = true;
            line.remove_prefix(httpOnly.size());
        } else if (line.empty() || line.front() == '#') {
            continue;
        }
        std::string_view fields[7];
        std::size_t count = 0;
        for (; count < 7 && !line.empty(); ++count) {
            // The value, the last field, keeps any tab it holds.
            const std::size_t tab = count == 6 ? std::string_view::npos : line.find('\t');
            fields[count] = line.substr(0, tab);
            line.remove_prefix(tab == std::string_view::npos ? line.size() : tab + 1);
        }
        if (count < 6)
            continue;
        c.domain = fields[0];
        c.path = fields[2].empty() ? std::string("/") : std::string(fields[2]);
        c.secure = fields[3] == "TRUE";
        const std::string expiry(fields[4]);
        char* rest = nullptr;
        const double seconds = std::strtod(expiry.c_str(), &rest);
        if (rest == expiry.c_str() || !std::isfinite(seconds) || seconds < 0)
            continue;
        c.expiry = seconds >= 9.2e18 ? INT64_MAX : static_cast<int64_t>(seconds);
        c.name = fields[5];
        c.value = fields[6];
        // A domain cookie written without its dot still names its subdomains.
        if (fields[1] == "TRUE" && !c.domain.empty() && c.domain.front() != '.')
            c.domain.insert(c.domain.begin(), '.');
        if (c.Sound())
            sink(std::move(c));
    }
}
