#include "cli/CliCommand.h"

#include "app/SettingsFile.h"
#include "harvest/InternetSession.h"
#include "harvest/LinkTable.h"
#include "harvest/PageAddress.h"
#include "harvest/PageScanner.h"
#include "harvest/PageText.h"
#include "lists/CellText.h"
#include "lists/FileListSort.h"

#include <ostream>

namespace {

const char* const usage = "usage: tarvik-cli links [--title] ADDRESS";

const char* const help =
    "usage: tarvik-cli links [--title] ADDRESS\n"
    "\n"
    "Fetches the page at ADDRESS (\"http://\" is put in front unless it begins with http:// or\n"
    "https://), harvests its IMG and A links with the harvest filters of ./tk.opt (all on when\n"
    "the file is missing) and prints one line per File List row, in name order:\n"
    "  NAME <tab> FILETYPE <tab> PATH <tab> SERVER <tab> PROTOCOL\n"
    "HTML links are shown as \"  ->NAME\". With --title the first line is \"title\", a tab and\n"
    "the page title.\n"
    "\n"
    "Exit status: 0 done, 1 the page could not be opened, 2 wrong arguments.\n";

// Collects what the scan finds, exactly as the window does.
class Harvest : public ScanListener {
public:
    Harvest(LinkTable& table, const Settings& settings) : table(table), settings(settings) {}
    void OnLink(const std::string& value, const std::string& pageAddress,
                int32_t attributeKind) override {
        table.AdmitLink(value, pageAddress, attributeKind, settings);
    }
    void OnTitleCleared() override { title.clear(); }
    void OnTitle(const std::string& text) override { title = text; }

    std::string title;

private:
    LinkTable& table;
    const Settings& settings;
};

} // namespace

int CliCommand::Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    const std::string& settingsPath) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << help;
        return 0;
    }
    bool withTitle = false;
    bool unknownOption = false;
    std::vector<std::string> operands;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            out << help;
            return 0;
        }
        if (args[i] == "--title")
            withTitle = true;
        else if (args[i].rfind("--", 0) == 0)
            unknownOption = true;
        else
            operands.push_back(args[i]);
    }
    if (unknownOption || args.empty() || args[0] != "links" || operands.size() != 1) {
        err << usage << "\n";
        return 2;
    }

    const Settings settings = SettingsFile(settingsPath).Load();
    const std::string address = NormaliseAddress(operands[0]);
    InternetSession session("Tarvik");
    PageText page;
    if (!session.FetchPage(address, page)) {
        err << "Unable to open this URL.\n";
        return 1;
    }

    LinkTable table;
    Harvest harvest(table, settings);
    PageScanner::ScanPage({page.Text(), static_cast<std::size_t>(page.Length())}, address, harvest);
    uint8_t sortDescending = 1;
    FileListSort::SortFileList(table, sortDescending, table.linkCount, 0, true, false);

    if (withTitle)
        out << "title\t" << harvest.title << "\n";
    for (int32_t i = 0; i < table.linkCount; ++i) {
        const LinkEntry& e = table.links[i];
        out << CellText::FileListName(e) << '\t' << CategoryLabel(e.category) << '\t' << e.path
            << '\t' << e.server << '\t' << CellText::ProtocolText(e.service) << '\n';
    }
    return 0;
}
