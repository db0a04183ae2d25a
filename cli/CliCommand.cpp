#include "cli/CliCommand.h"

#include "cli/CliJson.h"
#include "cli/DownloadCommand.h"
#include "download/DownloadTable.h"
#include "download/NameMask.h"
#include "harvest/PageAddress.h"
#include "harvest/PageText.h"
#include "harvest/PicturePlace.h"
#include "lists/CellText.h"
#include "lists/NextPages.h"
#include "lists/PageHarvest.h"
#include "net/InternetSession.h"
#include "net/SecretServiceKey.h"
#include "settings/SettingsFile.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <ostream>
#include <string_view>

namespace {

const char* const usage =
    "usage: tarvik-cli links [--modern | --classic] [--title] [--follow] [--json]\n"
    "                        [--next-pages N]\n"
    "                        [--all | --pictures | --all-pictures | --jpegs | --movies]\n"
    "                        [--probe] [--min-size WxH] [--cookies FILE |\n"
    "                        --cookies-from-browser NAME[:PROFILE]] [--user-agent TEXT]\n"
    "                        [--timeout SECONDS] (ADDRESS | -i FILE)\n"
    "       tarvik-cli download [--modern | --classic] [--follow] [--json] [-q]\n"
    "                           [--next-pages N]\n"
    "                           [--all | --pictures | --all-pictures | --jpegs | --movies]\n"
    "                           [--probe] [--min-size WxH] [--cookies FILE |\n"
    "                           --cookies-from-browser NAME[:PROFILE]] [--user-agent TEXT]\n"
    "                           [-d DIR] [-j N] [--per-server N] [--limit-rate RATE]\n"
    "                           [--keep-identical] [--flat | --name MASK]\n"
    "                           [--timeout SECONDS]\n"
    "                           (ADDRESS | -i FILE)\n"
    "       tarvik-cli article [--kind] ADDRESS\n"
    "       tarvik-cli --help | --version\n"
    "Short options: -d and -P for --dir, -j for --threads, -i for --input-file, -q for --quiet.\n";

const char* const help =
    "Fetches the page at ADDRESS (\"http://\" is put in front unless it begins with http:// or\n"
    "https://) and harvests its IMG and A links with the harvest filters of ./tk.opt (all on\n"
    "when the file is missing). tk.opt is never written.\n"
    "\n"
    "--modern and --classic override the options file's choice of rules. The modern rules read\n"
    "the page with a real HTML parser: lazy-loaded and responsive pictures (srcset, data-src,\n"
    "picture), video, audio and og:image, addresses resolved the standard way, categories by\n"
    "the file extension, with IMAGE (PNG, WebP, AVIF, SVG...) and VIDEO (MP4, WebM...) added.\n"
    "\n"
    "links prints one line per File List row, in name order:\n"
    "  NAME <tab> FILETYPE <tab> PATH <tab> SERVER <tab> PROTOCOL\n"
    "and under the modern rules three fields more:\n"
    "  ... <tab> PLACE <tab> SIZE <tab> PAGE\n"
    "PLACE being where a picture stands on the page: \"content\" (the page's own) or the\n"
    "furniture it belongs to (navigation, footer, aside, related, comments, ad, tracker, icon,\n"
    "card, share, thumbnail), empty for rows that are no pictures; SIZE the declared size\n"
    "(\"1600x900\"), empty when unknown; PAGE the address of the page the row was found on.\n"
    "With a selection (below) links lists only the rows that download would take.\n"
    "\n"
    "--next-pages N (0-1000; it turns the modern rules on) reads up to N pages that continue\n"
    "the page, one after another: the page its <link rel=\"next\"> or <a rel=\"next\"> names,\n"
    "else the link that says \"next\" (\"Next\", \"Older posts\", \"›\", \"weiter\"...), else the\n"
    "link that continues the page's number (?page=N, &p=N, /page/N/, /N/, -pN) to N+1; only on\n"
    "the page's server, never a page read already. Each page's rows follow the rows of the page\n"
    "before, numbered on, their PAGE that page; --follow then reads behind every page's gallery.\n"
    "--follow (it turns the modern rules on) reads the pages behind the page's gallery, one\n"
    "level deep: every link to a page of the same server that wraps a content picture, each\n"
    "page once (never the page itself), at most 2,000, at most 4 at once. The picture each shows\n"
    "(its largest content picture) is added as a row whose PAGE is that page, and the\n"
    "thumbnails that led there read \"thumbnail\"; a page that fails, or is not read within\n"
    "--timeout, is skipped and counted on stderr.\n"
    "--probe (it turns the modern rules on) asks for the first 64 KiB of each picture row\n"
    "(trackers left out; each address once, at most 4 at once and 2 per server, the page as\n"
    "Referer) and links prints three fields more:\n"
    "  ... <tab> REALSIZE <tab> BYTES <tab> MEDIATYPE\n"
    "REALSIZE the size the file's header gives (\"1600x900\", as shown when turned), BYTES the\n"
    "whole file's size, MEDIATYPE the type its bytes show (image/jpeg, image/png, image/gif,\n"
    "image/webp, image/svg+xml, image/avif, image/heic, image/bmp, text/html); each empty\n"
    "when unknown. A picture address that answers a web page becomes an HTML link.\n"
    "--min-size WxH (it probes, and turns the modern rules on) leaves out of --pictures,\n"
    "--jpegs and --all-pictures the pictures narrower than W or lower than H, by the real\n"
    "size, else the declared one; a picture of neither is kept.\n"
    "--cookies FILE (a cookies.txt in the Netscape format) or --cookies-from-browser\n"
    "NAME[:PROFILE] (firefox, chromium, chrome or brave; PROFILE a profile's name or folder,\n"
    "else the browser's default one; or a user-data folder) send a browser's login: the page\n"
    "carries what its address allows, and each request made from it (the pages behind its\n"
    "links, probes, downloads) only the cookies of the page's own site, each cookie only where\n"
    "its domain, path and secure flag allow. They are read once a run, from a private copy of\n"
    "the browser's store that is removed at once; nothing is ever written to the browser's\n"
    "files. A login that cannot be read ends the run with exit status 1 before any request.\n"
    "Each page tells on stderr how many were read (\"Cookies: 412 read from Firefox (default\n"
    "profile), 9 for this site\"), or why none were; -q leaves it out. --user-agent TEXT\n"
    "sends a browser's User-Agent, as some sites bind their cookies to it. A picture or movie\n"
    "answered with a web page (a login page) fails with \"got a web page\". These flags turn\n"
    "the modern rules on.\n"
    "HTML links are shown as \"  ->NAME\". With --title the first line is \"title\", a tab and\n"
    "the page title.\n"
    "\n"
    "A page answered with a status other than 2xx is an error (\"HTTP 404\" on stderr, exit\n"
    "status 1). download makes DIR, and its parents, when they are missing.\n"
    "\n"
    "download queues, in that order, every row (--all, the default), the JPEG rows (--jpegs) or\n"
    "the AVI and MPEG rows (--movies); under the modern rules --pictures (or --jpegs) takes the\n"
    "pictures (JPEG, GIF and IMAGE rows) whose place is content, --all-pictures every picture,\n"
    "and --movies the VIDEO rows too; a tracker is never taken. It downloads them into DIR\n"
    "(default: the current directory), inside a subdirectory per server unless --flat or tk.opt\n"
    "says otherwise, with up to N downloads at once (1-16; default from tk.opt); --per-server N\n"
    "(0-16; it turns the modern rules on) runs at most N of them from one server, the others'\n"
    "rows starting meanwhile (0: no limit). --limit-rate RATE (it turns the modern rules on)\n"
    "holds all downloads together to RATE bytes a second, 500k or 2M as curl writes it (k is\n"
    "1,024 bytes, M 1,048,576; 0: no limit); pages are read at full speed. A download held\n"
    "back by the limit is never timed out for it. Under the modern rules a download whose bytes\n"
    "equal a file Tarvik made in DIR or under it (known by the SHA-256 each keeps) is not kept:\n"
    "its line is \"Same\", its path the kept file's, its cause \"-\", and the summary counts it\n"
    "\"identical, not kept\"; --keep-identical keeps it (both turn the modern rules on).\n"
    "--timeout gives up on a server that does not connect, or sends fewer than 1024 bytes, for\n"
    "that many seconds (default 30).\n"
    "Each entry prints one line when it ends:\n"
    "  STATUS <tab> BYTES <tab> LOCALPATH <tab> CAUSE <tab> ADDRESS\n"
    "STATUS being Complete, Disk Error, Error or Cancelled; CAUSE why it failed under the modern\n"
    "rules (\"HTTP 404\", \"refused\", \"timed out\"...; empty for a complete file and under the\n"
    "classic rules); ADDRESS what was asked for, percent-encoded. Fields are only ever added at\n"
    "the end. On a terminal a progress line (files, bytes, rate, time left once the sizes are\n"
    "known) is redrawn on stderr, and a summary (\"12 complete, 1 failed, 3 already there,\n"
    "34.5 MiB in 3.2 s; 2 pages failed\", or after Ctrl-C \"interrupted: 3 complete, 8\n"
    "unfinished (run again to resume)\") ends the run; --quiet leaves both out. Any number of\n"
    "rows is taken, 1,024 at a time. Under the modern rules files\n"
    "are written to a part of their own (NAME.HASH.part) and renamed when complete, never\n"
    "replacing a file, broken transfers resume, and a server that asks to wait (429, 503) is\n"
    "waited for. Ctrl-C cancels the running downloads; under the modern rules their parts\n"
    "stay, a second run continues them and skips the files it completed.\n"
    "\n"
    "article (it turns the modern rules on) prints the text a reader reads as the page's\n"
    "main content: the text of the block whose pictures are \"content\" (an article without\n"
    "its headline, captions, share bars and author lines; a thread's messages, without the\n"
    "names, dates, buttons and signatures around them; a listing's items; a product's block);\n"
    "paragraphs separated by blank lines. A page without such a block (a gallery, a page of\n"
    "teasers) prints nothing. --kind prints first, alone on a line, what kind of page it is:\n"
    "article, thread, product, listing or other.\n"
    "\n"
    "--name MASK (it turns the modern rules on) names each file, under DIR, by a mask of tags:\n"
    "*name* and *ext* (the file's), *host*, *subdirs* (the address's folders), *title* (the\n"
    "page's; \"untitled\" when it has none), *text* (a picture's alt text or a link's text, else\n"
    "*name*), *num* (its number on the page: the page's content first, then every other row,\n"
    "each in the page's order; at least 3 digits), *date* (of the queueing) and / for folders;\n"
    "for example\n"
    "\"*title*/*num* *name*.*ext*\" (a folder per page) or \"*host*/*subdirs*/*name*.*ext*\".\n"
    "Each name a tag gives is made safe (no control characters, no / \\ : * ? \" < > |, no\n"
    "leading dot, no trailing dot or space, at most 200 bytes; *subdirs* at most 8 folders);\n"
    "two rows of one path are numbered \" (2)\" in the page's order. --flat is\n"
    "\"*name*.*ext*\"; it and --name do not go together.\n"
    "\n"
    "--json writes one JSON object a line instead (download: status, bytes, path, cause,\n"
    "address; links: name, type, path, server, protocol, and under the modern rules place,\n"
    "size, page, with --probe realSize, bytes (a number or null) and mediaType; --title:\n"
    "{\"title\": ...}).\n"
    "\n"
    "--input-file FILE (- for standard input) reads the page addresses from FILE, one a line;\n"
    "blank lines and lines beginning with # (and a byte-order mark) are skipped; a file of no\n"
    "address is an error. Every message about a page begins with its address. A page that\n"
    "cannot be opened is told on stderr with its cause, and the others go on.\n"
    "\n"
    "Exit status: 0 done (every download Complete), 1 a page could not be opened or a\n"
    "download did not complete, 2 wrong arguments, 130 interrupted.\n"
    "\n"
    "The manual: man tarvik-cli, and docs/manual.md for the window and the files on disk.\n";

std::optional<int> ParseNumber(const std::string& text, int low, int high) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || rest != end || value < low || value > high)
        return std::nullopt;
    return value;
}

// A speed as curl and wget write it: bytes a second, or with k (1,024) or M (1,048,576) after
// the number; 0, or at least 1k.
std::optional<int64_t> ParseRate(const std::string& text) {
    int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || rest == text.data() || value < 0 || value > (int64_t{1} << 40))
        return std::nullopt;
    const std::string_view unit(rest, static_cast<std::size_t>(end - rest));
    const int64_t scale = unit.empty()                 ? 1
                          : unit == "k" || unit == "K" ? 1024
                          : unit == "m" || unit == "M" ? 1024 * 1024
                                                       : 0;
    if (scale == 0 || (value * scale != 0 && value * scale < 1024))
        return std::nullopt;
    return value * scale;
}

// The options of both commands. False when they are wrong.
bool ParseOptions(const std::vector<std::string>& args, DownloadCommand::Options& o,
                  bool& withTitle, bool& withKind, std::optional<bool>& modern,
                  std::vector<std::string>& operands, std::optional<std::string>& inputFile,
                  std::string& error) {
    const bool download = args[0] == "download";
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string arg = args[i];
        // The short forms of the common options (-P as wget has it).
        arg = arg == "-d" || arg == "-P" ? "--dir"
              : arg == "-j"              ? "--threads"
              : arg == "-i"              ? "--input-file"
              : arg == "-q"              ? "--quiet"
                                         : arg;
        std::optional<std::string> value;
        if (const std::size_t eq = arg.find('=');
            arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.erase(eq);
        }
        auto takeValue = [&]() -> std::optional<std::string> {
            if (value)
                return value;
            if (i + 1 < args.size())
                return args[++i];
            return std::nullopt;
        };
        if (arg == "--title" && !download && !value) {
            withTitle = true;
        } else if (arg == "--kind" && args[0] == "article" && !value) {
            withKind = true;
        } else if ((arg == "--modern" || arg == "--classic") && !value) {
            modern = arg == "--modern";
        } else if (!value && (arg == "--all" || arg == "--jpegs" || arg == "--pictures" ||
                              arg == "--all-pictures" || arg == "--movies")) {
            using Take = DownloadTable::Take;
            o.selection = arg == "--all"            ? Take::All
                          : arg == "--movies"       ? Take::Movies
                          : arg == "--all-pictures" ? Take::AllPictures
                          : arg == "--jpegs"        ? Take::Jpegs
                                                    : Take::Pictures;
        } else if (download && arg == "--flat" && !value) {
            o.flat = true;
        } else if (download && arg == "--name") {
            const auto v = takeValue();
            if (const auto why = v ? NameMask::Check(*v) : std::optional<std::string>("no mask")) {
                error = "--name: " + *why;
                return false;
            }
            o.nameMask = *v;
        } else if (arg == "--follow" && !value) {
            o.follow = true;
        } else if (arg == "--next-pages") {
            const auto v = takeValue();
            const auto n = v ? ParseNumber(*v, 0, NextPages::maxLimit) : std::nullopt;
            if (!n) {
                error = "--next-pages takes 0 to 1000";
                return false;
            }
            o.nextPages = *n;
            o.nextPagesGiven = true;
        } else if (arg == "--cookies" || arg == "--cookies-from-browser") {
            const auto v = takeValue();
            std::optional<CookieSource> source;
            if (arg == "--cookies" && v && !v->empty()) {
                source = CookieSource{CookieSource::Kind::File, "", *v};
            } else if (v) {
                source = CookieSource::FromBrowser(*v);
            }
            if (!source) {
                error = arg == "--cookies" ? "--cookies takes a cookies.txt file"
                                           : "--cookies-from-browser takes firefox, chromium, "
                                             "chrome or brave, and :PROFILE after it";
                return false;
            }
            if (o.cookies) {
                error = "--cookies and --cookies-from-browser: one source of cookies";
                return false;
            }
            o.cookies = source;
        } else if (arg == "--user-agent") {
            const auto v = takeValue();
            if (!v || v->empty()) {
                error = "--user-agent takes a User-Agent text";
                return false;
            }
            o.userAgent = *v;
        } else if (arg == "--probe" && !value) {
            o.probe = true;
        } else if (arg == "--min-size") {
            const auto v = takeValue();
            const std::size_t x = v ? v->find('x') : std::string::npos;
            const auto w =
                x != std::string::npos ? ParseNumber(v->substr(0, x), 0, 100000) : std::nullopt;
            const auto h = w ? ParseNumber(v->substr(x + 1), 0, 100000) : std::nullopt;
            if (!h) {
                error = "--min-size takes WIDTHxHEIGHT in pixels, such as 300x200";
                return false;
            }
            o.minWidth = *w;
            o.minHeight = *h;
            o.probe = true;
            o.minSizeGiven = true;
        } else if (arg == "--quiet" && !value) {
            o.quiet = true;
        } else if (arg == "--json" && !value) {
            o.json = true;
        } else if (arg == "--input-file") {
            inputFile = takeValue();
            if (!inputFile || inputFile->empty()) {
                error = "--input-file takes a file, or - for standard input";
                return false;
            }
        } else if (download && arg == "--dir") {
            const auto v = takeValue();
            if (!v || v->empty()) {
                error = "--dir takes a directory";
                return false;
            }
            o.directory = *v;
        } else if (download && arg == "--per-server") {
            const auto v = takeValue();
            o.perServer = v ? ParseNumber(*v, 0, 16) : std::nullopt;
            if (!o.perServer) {
                error = "--per-server takes 0 to 16";
                return false;
            }
        } else if (download && arg == "--keep-identical" && !value) {
            o.keepIdentical = true;
        } else if (download && arg == "--limit-rate") {
            const auto v = takeValue();
            o.limitRate = v ? ParseRate(*v) : std::nullopt;
            if (!o.limitRate) {
                error = "--limit-rate takes 0 or a speed of at least 1k, such as 500k or 2M";
                return false;
            }
        } else if (download && arg == "--threads") {
            const auto v = takeValue();
            o.threads = v ? ParseNumber(*v, 1, 16) : std::nullopt;
            if (!o.threads) {
                error = "--threads takes 1 to 16";
                return false;
            }
        } else if (arg == "--timeout") {
            const auto v = takeValue();
            const auto seconds = v ? ParseNumber(*v, 1, 86400) : std::nullopt;
            if (!seconds) {
                error = "--timeout takes 1 to 86400 seconds";
                return false;
            }
            o.timeoutSeconds = *seconds;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else {
            operands.push_back(args[i]);
        }
    }
    return operands.size() == (inputFile ? 0u : 1u);
}

// The page addresses of an input file: one a line, blank lines and lines beginning with '#'
// skipped.
std::vector<std::string> ReadAddresses(std::istream& in) {
    std::vector<std::string> addresses;
    if (in.peek() == 0xEF) { // a UTF-8 byte-order mark is no part of the first address
        char mark[3] = {};
        in.read(mark, 3);
        if (std::string_view(mark, 3) != "\xEF\xBB\xBF")
            in.seekg(0);
    }
    for (std::string line; std::getline(in, line);) {
        const std::size_t start = line.find_first_not_of(" \t\r");
        const std::size_t end = line.find_last_not_of(" \t\r");
        if (start != std::string::npos && line[start] != '#')
            addresses.push_back(line.substr(start, end - start + 1));
    }
    return addresses;
}

// Why `typed` is no address this tool reads; empty when it is one. A bare host is an address.
std::string NotAnAddress(const std::string& typed) {
    if (typed.empty() || std::any_of(typed.begin(), typed.end(), [](char c) {
            return static_cast<unsigned char>(c) <= ' ' || c == 0x7F;
        }))
        return "not an address";
    const std::size_t colon = typed.find("://");
    if (colon != std::string::npos) {
        std::string scheme = typed.substr(0, colon);
        for (char& c : scheme)
            c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
        if (scheme != "http" && scheme != "https")
            return "only http and https addresses are read";
        if (colon + 3 >= typed.size() || typed[colon + 3] == '/')
            return "not an address";
    }
    return {};
}

// One links row: tab-separated fields, or a JSON object naming them.
void PrintRow(std::ostream& out, const LinkTable& table, const LinkEntry& e, bool json,
              bool probed) {
    const std::string realSize =
        e.realWidth > 0 && e.realHeight > 0
            ? std::to_string(e.realWidth) + "x" + std::to_string(e.realHeight)
            : std::string();
    const std::string name = CellText::FileListName(e);
    if (json) {
        nlohmann::json row = {{"name", e.name},
                              {"type", CategoryLabel(e.category)},
                              {"path", e.path},
                              {"server", e.server},
                              {"protocol", CellText::ProtocolText(e.service)}};
        if (table.modernRows) {
            row["place"] = PlaceWord(e.place);
            row["size"] = CellText::SizeText(e);
            row["page"] = table.PageOf(e);
        }
        if (table.modernRows && probed) {
            row["realSize"] = realSize;
            row["bytes"] = e.bytes >= 0 ? nlohmann::json(e.bytes) : nlohmann::json(nullptr);
            row["mediaType"] = e.mediaType;
        }
        out << CliJson::Line(row) << '\n';
        return;
    }
    out << name << '\t' << CategoryLabel(e.category) << '\t' << e.path << '\t' << e.server << '\t'
        << CellText::ProtocolText(e.service);
    // The modern rules add the place of a picture, its declared size and the page.
    if (table.modernRows)
        out << '\t' << PlaceWord(e.place) << '\t' << CellText::SizeText(e) << '\t'
            << table.PageOf(e);
    // A probe adds what the file's first bytes said.
    if (table.modernRows && probed)
        out << '\t' << realSize << '\t' << (e.bytes >= 0 ? std::to_string(e.bytes) : "") << '\t'
            << e.mediaType;
    out << '\n';
}

} // namespace

int CliCommand::Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    const std::string& settingsPath, bool errIsTerminal) {
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            out << usage << "\n" << help;
            return 0;
        }
        if (a == "--version") {
            out << "tarvik-cli " TARVIK_VERSION "\n";
            return 0;
        }
    }
    DownloadCommand::Options options;
    bool withTitle = false;
    bool withKind = false;
    std::optional<bool> modern;
    std::vector<std::string> operands;
    std::optional<std::string> inputFile;
    std::string error;
    const bool article = !args.empty() && args[0] == "article";
    bool wrong =
        args.empty() || (args[0] != "links" && args[0] != "download" && !article) ||
        !ParseOptions(args, options, withTitle, withKind, modern, operands, inputFile, error) ||
        (article && inputFile);
    // What needs the modern rules turns them on, and is an error beside --classic.
    const char* needsModern = article                     ? "article"
                              : options.follow            ? "--follow"
                              : options.nextPagesGiven    ? "--next-pages"
                              : options.perServer         ? "--per-server"
                              : options.limitRate         ? "--limit-rate"
                              : options.keepIdentical     ? "--keep-identical"
                              : !options.nameMask.empty() ? "--name"
                              : options.minSizeGiven      ? "--min-size"
                              : options.probe             ? "--probe"
                              : options.cookies && options.cookies->kind == CookieSource::Kind::File
                                  ? "--cookies"
                              : options.cookies            ? "--cookies-from-browser"
                              : !options.userAgent.empty() ? "--user-agent"
                                                           : nullptr;
    if (!wrong && options.flat && !options.nameMask.empty()) {
        error = "--flat and --name: a mask says where files go";
        wrong = true;
    }
    if (!wrong && needsModern != nullptr) {
        if (modern && !*modern) {
            error = std::string(needsModern) + " needs the modern rules, not --classic";
            wrong = true;
        }
        modern = true;
    }
    if (wrong) {
        if (!error.empty())
            err << "tarvik-cli: " << error << "\n";
        err << usage;
        return 2;
    }
    std::vector<std::string> addresses = operands;
    if (inputFile) {
        std::ifstream file(*inputFile);
        if (*inputFile != "-" && !file) {
            err << "tarvik-cli: cannot read " << *inputFile << "\n";
            return 2;
        }
        addresses = ReadAddresses(*inputFile == "-" ? std::cin : file);
        if (addresses.empty()) {
            err << *inputFile << ": no addresses\n";
            return 1;
        }
    }
    // The save directory is made before anything is asked of a server.
    if (args[0] == "download" && !options.directory.empty()) {
        std::error_code made;
        std::filesystem::create_directories(options.directory, made);
        if (made || !std::filesystem::is_directory(options.directory)) {
            err << "tarvik-cli: cannot make the directory " << options.directory << ": "
                << (made ? made.message() : "a file of that name is in the way") << "\n";
            return 2;
        }
    }

    Settings settings = SettingsFile(settingsPath).Load();
    if (modern)
        settings.modernRules = *modern ? 1 : 0;
    InternetSession session(options.userAgent.empty() ? "Tarvik" : options.userAgent);
    // The cookies are read once for the run; each page starts from them.
    CookieSource::Jar jar;
    if (options.cookies) {
        const char* home = std::getenv("HOME");
        jar = options.cookies->Read(home != nullptr ? home : "", std::time(nullptr),
                                    SecretServiceKey::Lookup);
        // The user asked to log in: a login that cannot be had is no run to go on with.
        if (jar.Failed()) {
            err << (jar.problem.empty() ? jar.Summary("") : jar.problem) << "\n";
            return 1;
        }
    }
    const auto timeout = std::chrono::milliseconds(options.timeoutSeconds * 1000LL);
    session.SetTimeouts(timeout, timeout);
    // Each page is harvested in turn; one that fails is told on stderr and the others go on.
    std::vector<std::unique_ptr<LinkTable>> tables;
    std::vector<std::string> titles;
    int pagesFailed = 0;
    for (const std::string& typed : addresses) {
        // Every message about a page names it.
        if (const std::string why = NotAnAddress(typed); !why.empty()) {
            err << typed << ": " << why << "\n";
            ++pagesFailed;
            continue;
        }
        const std::string address = NormaliseAddress(typed);
        const std::string where = address + ": ";
        PageText page;
        auto table = std::make_unique<LinkTable>();
        uint8_t sortDescending = 1;
        PageHarvest harvest(*table, sortDescending, settings);
        if (article)
            harvest.KeepArticleText();
        session.SetCookies(jar.cookies);
        if (options.cookies && !options.quiet)
            err << where << jar.Summary(address) << "\n";
        if (!harvest.Harvest(session, address, page)) {
            err << where << "Unable to open this URL.\n" << where << session.LastFailure() << "\n";
            ++pagesFailed;
            continue;
        }
        // The window lists an error page's links; a command line says that the page failed.
        const long status = session.LastStatus();
        if (status < 200 || status > 299) {
            err << where << "HTTP " << status << "\n";
            ++pagesFailed;
            continue;
        }
        table->cookies = session.Cookies(); // what the page's answers set is the page's too
        if (table->leftOut > 0)
            err << where << table->leftOut << " links left out: the File List holds "
                << (table->modernRows ? "10,000" : "1,024") << "\n";
        if ((options.follow || options.probe || options.nextPages > 0) && table->modernRows)
            DownloadCommand::FollowLinks(*table, settings, session, err, options);
        // Pictures the minimum size leaves out are counted, not passed over in silence.
        DownloadTable sized;
        sized.minWidth = options.minWidth;
        sized.minHeight = options.minHeight;
        if (const int32_t small = sized.TooSmallCount(*table, options.selection);
            small > 0 && options.minSizeGiven && !options.quiet)
            err << where << small
                << (small == 1 ? " picture smaller than " : " pictures smaller than ")
                << options.minWidth << " x " << options.minHeight << " left out\n";
        if (article && withKind)
            out << harvest.KindWord() << "\n";
        if (article)
            out << harvest.ArticleText();
        titles.push_back(harvest.Title());
        tables.push_back(std::move(table));
    }
    const bool failed = pagesFailed > 0;
    if (article)
        return failed ? 1 : 0;
    if (args[0] == "download") {
        if (tables.empty())
            return 1; // no page to take anything from
        std::vector<const LinkTable*> pages;
        for (const auto& t : tables)
            pages.push_back(t.get());
        options.pagesFailed = pagesFailed;
        for (const auto& t : tables)
            options.pagesRead +=
                options.nextPagesGiven ? 1 + static_cast<int>(t->nextPagesRead.size()) : 0;
        const int status =
            DownloadCommand::Run(pages, settings, session, options, out, err, errIsTerminal);
        return status == 0 && failed ? 1 : status;
    }
    for (std::size_t p = 0; p < tables.size(); ++p) {
        const LinkTable& table = *tables[p];
        if (withTitle)
            out << (options.json ? CliJson::Line({{"title", titles[p]}}) : "title\t" + titles[p])
                << "\n";
        DownloadTable selection;
        selection.minWidth = options.minWidth;
        selection.minHeight = options.minHeight;
        std::vector<int32_t> rows;
        if (options.selection == DownloadTable::Take::All)
            for (int32_t i = 0; i < table.linkCount; ++i)
                rows.push_back(i);
        else
            rows = selection.Taken(table, options.selection);
        for (const int32_t i : rows)
            PrintRow(out, table, table.links[i], options.json, options.probe);
    }
    return failed ? 1 : 0;
}
