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
        int nextPages = 0;          // read at most this many next pages first
        bool nextPagesGiven = false;
        std::optional<int> perServer;     // downloads at once from one server (0: no limit)
        std::optional<int64_t> limitRate; // bytes a second for all downloads (0: no limit)
        bool keepIdentical = false;       // keep a file whose bytes the folder has already
        bool quiet = false;               // no progress line and no summary
        bool json = false;                // one JSON object a line instead of tab-separated fields
        int timeoutSeconds = 30;
        int pagesFailed = 0;  // pages that could not be read, for the summary
        int pagesRead = 0;    // pages read with their next pages; 0: not told
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
    // Reads what the options ask beyond a modern table's page: its next pages (NextPages),
    // then the pages behind its links, one level deep, adding the pictures they show, then
    // probes the picture rows (PictureProbes); returns when every page has been read or has
    // failed and every probe has answered, having told `err` of the failures. The rows are
    // left in name order within each page, the pages in the order read.
    static void FollowLinks(LinkTable& links, const Settings& settings,
                            const InternetSession& session, std::ostream& err,
                            const Options& options);
    // What Ctrl-C does to a running download command: cancel the running downloads and end.
    static void Interrupt();
};
