#include "lists/ListColumns.h"

#include <algorithm>

const std::array<ListColumn, 3> ListColumns::fileList = {{
    {"Name", 350},
    {"FileType", 75},
    {"Path", 375},
}};

const std::array<ListColumn, 6> ListColumns::modernFileList = {{
    {"Name", 250},
    {"FileType", 75},
    {"Path", 255},
    {"Place", 80},
    {"Size", 70},
    {"Bytes", 70},
}};

const std::array<ListColumn, 7> ListColumns::downloadList = {{
    {"Name", 165},
    {"FileType", 75},
    {"% Downloaded", 100},
    {"Status", 75},
    {"Path", 150},
    {"Protocol", 75},
    {"Server Name", 150},
}};

// The seven, then where the file went, the speed and the time left.
const std::array<ListColumn, 10> ListColumns::modernDownloadList = [] {
    std::array<ListColumn, 10> columns{};
    std::copy(downloadList.begin(), downloadList.end(), columns.begin());
    columns[savedAsColumn] = {"Saved As", 150};
    columns[speedColumn] = {"Speed", 70};
    columns[timeLeftColumn] = {"Time Left", 60};
    return columns;
}();
