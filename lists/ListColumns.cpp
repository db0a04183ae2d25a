#include "lists/ListColumns.h"

#include "lists/FileListSort.h"

#include <algorithm>

const std::array<ListColumn, 3> ListColumns::fileList = {{
    {"Name", 350},
    {"FileType", 75},
    {"Path", 375},
}};

const std::array<ListColumn, 8> ListColumns::modernFileList = {{
    {"#", 35},
    {"Name", 200},
    {"FileType", 70},
    {"Path", 200},
    {"Server", 95},
    {"Place", 75},
    {"Size", 70},
    {"Bytes", 55},
}};

const std::array<int, 8> ListColumns::modernSortKeys = {
    FileListSort::byNumber, 0, 1, 2, FileListSort::byServer, 3, 4, 5,
};

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
