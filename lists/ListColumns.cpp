#include "lists/ListColumns.h"

const std::array<ListColumn, 3> ListColumns::fileList = {{
    {"Name", 350},
    {"FileType", 75},
    {"Path", 375},
}};

const std::array<ListColumn, 5> ListColumns::modernFileList = {{
    {"Name", 290},
    {"FileType", 75},
    {"Path", 285},
    {"Place", 80},
    {"Size", 70},
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
