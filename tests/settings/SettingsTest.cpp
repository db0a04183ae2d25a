#include "settings/ConfigFolder.h"
#include "settings/ModernSettings.h"
#include "settings/SettingsFile.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Settings Changed(const std::function<void(Settings&)>& change = {}) {
    Settings s = Settings::Defaults();
    s.harvestAvi = s.harvestGif = s.harvestZip = s.serverNameSubdirectory = 0;
    s.saveDirectoryConfirmed = 1;
    s.saveDirectory = "/home/user/Pictures/saved";
    s.maxThreads = 11;
    if (change)
        change(s);
    return s;
}

} // namespace

TEST(Settings, DefaultsAndTheDownloadFolder) {
    TempDir home;
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::unsetenv("XDG_DOWNLOAD_DIR");
    ::setenv("HOME", home.Path().c_str(), 1);
    const Settings s = SettingsFile(home.File("tk.opt")).Load();
    EXPECT_EQ(s, Settings::Defaults());
    EXPECT_EQ(s.saveDirectory, home.Path() + "/");
    std::filesystem::create_directory(home.File("Downloads"));
    EXPECT_EQ(DefaultSaveDirectory(), home.File("Downloads") + "/");
    ::setenv("XDG_DOWNLOAD_DIR", home.Path().c_str(), 1);
    EXPECT_EQ(DefaultSaveDirectory(), home.Path() + "/");
    ::unsetenv("XDG_DOWNLOAD_DIR");
    ::setenv("HOME", savedHome.c_str(), 1);
}

TEST(Settings, RoundTripByteLayoutAndLongerFiles) {
    TempDir dir;
    const SettingsFile file(dir.File("tk.opt"));
    ASSERT_TRUE(file.Save(Changed()));
    std::vector<uint8_t> bytes = ReadBytes(file.Path());
    ASSERT_EQ(bytes.size(), 276u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 9),
              (std::vector<uint8_t>{0, 1, 1, 1, 0, 1, 1, 0, 1}));
    EXPECT_STREQ(reinterpret_cast<const char*>(&bytes[9]), "/home/user/Pictures/saved");
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 268, bytes.end()),
              (std::vector<uint8_t>{11, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(file.Load(), Changed());

    // A longer file is read for its first 276 bytes and rewritten at 276.
    bytes.resize(400, 0x7F);
    std::ofstream(file.Path(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(400));
    ASSERT_TRUE(file.Save(file.Load()));
    EXPECT_EQ(ReadBytes(file.Path()), std::vector<uint8_t>(bytes.begin(), bytes.begin() + 276));

    Settings overlong = Settings::Defaults();
    overlong.saveDirectory.assign(300, 'd');
    const auto record = overlong.ToRecord();
    EXPECT_EQ(Settings::FromRecord(record.data(), record.size()).saveDirectory.size(), 258u);

    // The modern switch and its categories live in the padding, zero meaning the defaults.
    const auto modern = [](Settings& s) { s.modernRules = 1, s.harvestVideo = 0; };
    ASSERT_TRUE(file.Save(Changed(modern)));
    EXPECT_EQ(ReadBytes(file.Path()).back(), 0);
    EXPECT_EQ(ReadBytes(file.Path())[273] * 16 + ReadBytes(file.Path())[274], 0x12);
    EXPECT_EQ(file.Load(), Changed(modern));
}

TEST(Settings, DamagedFileFallsBackFieldByField) {
    const Settings defaults = Settings::Defaults();
    const auto threads = [](Settings& s) { s.maxThreads = 4; };
    std::vector<std::pair<int, int>> filledDirectory;
    for (int i = 9; i < 268; ++i)
        filledDirectory.push_back({i, 'x'});
    // {what, bytes of a valid record kept, {offset, value} written over it, the fallback}
    using Fallback = std::function<void(Settings&)>;
    // clang-format off
    const std::tuple<const char*, std::size_t, std::vector<std::pair<int, int>>, Fallback> cases[] = {
        {"empty file", 0, {}, [&](Settings& s) { s = defaults; }},
        {"flags only", 9, {}, [&](Settings& s) { s.saveDirectory = defaults.saveDirectory, s.serverNameSubdirectory = 1, s.maxThreads = 4; }},
        {"cut in the thread count", 270, {}, [](Settings& s) { s.maxThreads = 4, s.serverNameSubdirectory = 1; }},
        {"thread count 0", 276, {{268, 0}}, threads},
        {"thread count 17", 276, {{268, 17}}, threads},
        {"thread count -1", 276, {{268, 255}, {269, 255}, {270, 255}, {271, 255}}, threads},
        {"huge thread count", 276, {{271, 1}}, threads},
        {"flags 2, 255, 9 and 7", 276, {{0, 2}, {8, 255}, {272, 9}, {273, 7}}, [](Settings& s) { s.harvestAvi = s.serverNameSubdirectory = 1, s.saveDirectoryConfirmed = 0; }},
        {"unterminated directory", 276, filledDirectory, [&](Settings& s) { s.saveDirectory = defaults.saveDirectory; }}};
    // clang-format on
    for (const auto& [what, length, pokes, fallback] : cases) {
        auto record = Changed().ToRecord();
        for (auto [offset, value] : pokes)
            record[offset] = static_cast<uint8_t>(value);
        EXPECT_EQ(Settings::FromRecord(record.data(), length), Changed(fallback)) << what;
    }
}

// Started from the desktop, the settings live in the user's configuration folder; the first
// such start brings the home folder's, and a later one leaves the home folder alone.
TEST(Settings, TheDesktopsConfigurationFolder) {
    EXPECT_EQ(ConfigFolder::PathFor("/home/u", ""), "/home/u/.config/tarvik");
    EXPECT_EQ(ConfigFolder::PathFor("/home/u", "/x/conf"), "/x/conf/tarvik");
    EXPECT_EQ(ConfigFolder::PathFor("/home/u", "relative"), "/home/u/.config/tarvik");
    TempDir home;
    const std::filesystem::path was = std::filesystem::current_path();
    std::ofstream(home.File("tk.opt")) << "options";
    std::ofstream(home.File("tk.queue")) << "queue";
    const std::string folder = ConfigFolder::PathFor(home.Path(), "");
    std::string why;
    ASSERT_TRUE(ConfigFolder::Enter(folder, home.Path(), why)) << why;
    EXPECT_EQ(std::filesystem::current_path(), folder);
    const auto text = [](const std::string& path) {
        const std::vector<uint8_t> bytes = ReadBytes(path);
        return std::string(bytes.begin(), bytes.end());
    };
    EXPECT_EQ(text(folder + "/tk.opt") + text(folder + "/tk.queue"), "optionsqueue");
    EXPECT_FALSE(std::filesystem::exists(home.File("tk.opt")));
    std::ofstream(home.File("tk.opt")) << "newer";
    ASSERT_TRUE(ConfigFolder::Enter(folder, home.Path(), why));
    EXPECT_EQ(text(folder + "/tk.opt"), "options") << "moved once only";
    std::filesystem::current_path(was);
}

// tk.modern: each key's value or its default; unknown keys kept, in their order.
TEST(Settings, ModernSettingsReadWhatTheyCanAndKeepTheRest) {
    // The text, then "min-size mask next-pages per-server limit-rate keep-identical notify".
    const std::pair<const char*, const char*> cases[] = {
        {"", "100x100  20 0 0 01"},
        {"limit-rate = 2048\nkeep-identical = true\nnotify = false\n", "100x100  20 0 2048 10"},
        {"limit-rate = 2G\nkeep-identical = yes\nnotify = 0\n", "100x100  20 0 0 01"},
        {"min-size = 0x0\nname-mask = *num*\nnext-pages = 1000\nper-server=16\n",
         "0x0 *num* 1000 16 0 01"},
        {"min-size=640x480\r\nnext-pages=0\nper-server = 2\n", "640x480  0 2 0 01"},
        {"min-size = x480\nnext-pages = 1001\nper-server = 17\n", "100x100  20 0 0 01"},
        {"min-size = 100001x5\nnext-pages = 5x\n", "100x100  20 0 0 01"},
        {"min-size = 20x30px\nnext-pages = -1\n", "100x100  20 0 0 01"},
    };
    TempDir dir;
    const std::string path = dir.File("tk.modern");
    for (const auto& [text, expected] : cases) {
        std::ofstream(path, std::ios::trunc) << text << "later-key = kept\n";
        ModernSettings s = ModernSettings::Load(path);
        const auto read = [](const ModernSettings& m) {
            return std::to_string(m.minWidth) + "x" + std::to_string(m.minHeight) + " " +
                   m.nameMask + " " + std::to_string(m.nextPages) + " " +
                   std::to_string(m.perServer) + " " + std::to_string(m.limitRate) + " " +
                   std::to_string(m.keepIdentical) + std::to_string(m.notify);
        };
        EXPECT_EQ(read(s), expected) << text;
        ASSERT_TRUE(s.Save(path));
        EXPECT_EQ(read(ModernSettings::Load(path)), expected) << text;
        EXPECT_EQ(ModernSettings::Load(path).others, s.others) << text;
    }
}
