#pragma once
// Control and command identifiers of the main window; menu items send the same numbers.

namespace ControlId {
constexpr int Quit = 1; // the dialog's OK command
constexpr int Cancel = 2;
constexpr int Options = 3;
constexpr int UrlBox = 1000;
constexpr int FileList = 1001;
constexpr int GetUrl = 1002;
constexpr int DownloadList = 1003;
constexpr int FileListGroup = 1004;
constexpr int DownloadListGroup = 1005;
constexpr int DownloadSelected = 1008;
constexpr int Properties = 1009;
constexpr int TitleLabel = 1010;
constexpr int RemoveSelectedLinks = 1011;
constexpr int Back = 1012;
constexpr int Forward = 1013;
constexpr int BackMenu = 1015;
constexpr int ForwardMenu = 1016;
constexpr int RemoveFinished = 1029;
constexpr int CancelSelected = 1030;
constexpr int RemoveFailed = 1031;
constexpr int RetryAllFailed = 1032;
constexpr int PauseSelected = 1033;
constexpr int RetrySelected = 1034;
constexpr int DownloadAllJpegs = 1035;
constexpr int DownloadAllMovies = 1036;
constexpr int OpenDownloadDirectory = 1037;
constexpr int GetPicturesBehindLinks = 1044;
constexpr int StatusLine = 1050; // the modern rules' line under the lists
// The modern rules' bar above the File List, and its grid of thumbnails.
constexpr int FilterBox = 1057;
constexpr int FilterKind = 1058;
constexpr int ContentOnly = 1059;
constexpr int RowCount = 1060;
constexpr int ViewSwitch = 1061;
constexpr int FileGrid = 1062;
constexpr int MarkContent = 1063;
constexpr int MarkNotContent = 1064;
constexpr int GetNextPages = 1069;
constexpr int TotalSpeed = 1075; // the modern rules' total speed, at the status line's end
constexpr int ShowInFolder = 1080;
} // namespace ControlId
