#pragma once
// tarvik-cli download: queues the harvested rows and runs the download engine until every entry
// has ended, printing one line per entry as it ends.

#include "download/DownloadTable.h"
#include "net/CookieSource.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

class InternetSession;
class LinkTable;
struct Settings;

class DownloadCommand {
public:
    struct Options {
        DownloadTable::Take selection = DownloadTable::Take::All;
        std::string directory;      // empty: the current directory
        std::optional<int> threads; // else the options file's
        bool flat = false;          // no per-server subdirectory
        bool follow = false;        // read the pages behind the gallery's links first
        bool quiet = false;         // no progress line and no summary
        bool json = false;          // one JSON object a line instead of tab-separated fields
        int timeoutSeconds = 30;
        int pagesFailed = 0;  // pages that could not be read, for the summary
        std::string nameMask; // the modern rows' names (NameMask); empty: none
        bool probe = false;   // probe the picture rows' first bytes
        int minWidth = 0;     // pictures narrower or lower are left out of picture selections
        int minHeight = 0;
        bool minSizeGiven = false;
        std::optional<CookieSource> cookies; // where cookies are read from; none: none sent
        std::string userAgent;               // empty: Tarvik's own
    };

    // Queues the rows of every table of `pages`, in turns of the table's capacity, and runs the
    // engine until each has ended.
    // Exit status: 0 every entry Complete, 1 any other, 130 after an interrupt.
    static int Run(const std::vector<const LinkTable*>& pages, Settings settings,
                   const InternetSession& session, const Options& options, std::ostream& out,
                   std::ostream& err, bool errIsTerminal);
    // Reads the pages behind the links of a modern table, one level deep, and adds the
    // pictures they show; returns when every page has been read or has failed, having told
    // `err` of the failures.
    // With `probe`, then probes the picture rows (PictureProbes) and waits for every answer.
    static void FollowLinks(LinkTable& links, const Settings& settings,
                            const InternetSession& session, std::ostream& err, bool follow,
                            bool probe);
    // What Ctrl-C does to a running download command: cancel the running downloads and end.
    static void Interrupt();
};
