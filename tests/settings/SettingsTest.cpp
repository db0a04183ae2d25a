#include "settings/SettingsFile.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <vector>

namespace {

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

Settings Changed() {
    Settings s = Settings::Defaults();
    s.harvestAvi = 0;
    s.harvestGif = 0;
    s.harvestZip = 0;
    s.saveDirectoryConfirmed = 1;
    s.saveDirectory = "/home/user/Pictures/saved";
    s.maxThreads = 0x0B;
    s.serverNameSubdirectory = 0;
    return s;
}

} // namespace

TEST(Settings, DefaultsWithoutAFile) {
    TempDir dir;
    const Settings s = SettingsFile(dir.File("tk.opt")).Load();
    for (uint8_t flag : {s.harvestAvi, s.harvestMpeg, s.harvestAudio, s.harvestJpeg, s.harvestGif,
                         s.harvestHtml, s.harvestDoc, s.harvestZip, s.serverNameSubdirectory})
        EXPECT_EQ(flag, 1);
    EXPECT_EQ(s.saveDirectoryConfirmed, 0);
    EXPECT_EQ(s.maxThreads, 4);
    ASSERT_FALSE(s.saveDirectory.empty());
    EXPECT_EQ(s.saveDirectory.back(), '/');
}

TEST(Settings, DefaultDirectoryIsTheDownloadFolderWhenItExists) {
    TempDir home;
    const char* oldHome = std::getenv("HOME");
    const std::string saved = oldHome ? oldHome : "";
    ::unsetenv("XDG_DOWNLOAD_DIR");
    ::setenv("HOME", home.Path().c_str(), 1);
    EXPECT_EQ(DefaultSaveDirectory(), home.Path() + "/");
    std::filesystem::create_directory(home.File("Downloads"));
    EXPECT_EQ(DefaultSaveDirectory(), home.File("Downloads") + "/");
    ::setenv("XDG_DOWNLOAD_DIR", home.Path().c_str(), 1);
    EXPECT_EQ(DefaultSaveDirectory(), home.Path() + "/");
    ::unsetenv("XDG_DOWNLOAD_DIR");
    ::setenv("HOME", saved.c_str(), 1);
}

TEST(Settings, RoundTripAndByteLayout) {
    TempDir dir;
    const SettingsFile file(dir.File("tk.opt"));
    const Settings s = Changed();
    ASSERT_TRUE(file.Save(s));

    const std::vector<uint8_t> bytes = ReadBytes(file.Path());
    ASSERT_EQ(bytes.size(), 276u);
    const std::vector<uint8_t> flags(bytes.begin(), bytes.begin() + 9);
    EXPECT_EQ(flags, (std::vector<uint8_t>{0, 1, 1, 1, 0, 1, 1, 0, 1}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[9])), s.saveDirectory);
    EXPECT_EQ(bytes[268], 0x0B);
    EXPECT_EQ(bytes[269], 0);
    EXPECT_EQ(bytes[270], 0);
    EXPECT_EQ(bytes[271], 0);
    EXPECT_EQ(bytes[272], 0);

    EXPECT_EQ(file.Load(), s);
    ASSERT_TRUE(file.Save(file.Load()));
    EXPECT_EQ(ReadBytes(file.Path()), bytes);
}

TEST(Settings, LongerFileReadsItsFirst276BytesAndIsRewrittenAt276) {
    TempDir dir;
    const SettingsFile file(dir.File("tk.opt"));
    auto record = Changed().ToRecord();
    std::vector<uint8_t> bytes(record.begin(), record.end());
    bytes.resize(400, 0x7F);
    WriteBytes(file.Path(), bytes);
    const Settings loaded = file.Load();
    EXPECT_EQ(loaded, Changed());
    ASSERT_TRUE(file.Save(loaded));
    EXPECT_EQ(ReadBytes(file.Path()).size(), 276u);
}

struct DamagedCase {
    const char* what;
    std::size_t length;                     // bytes of a valid record kept
    std::vector<std::pair<int, int>> pokes; // offset, value written after the cut
    Settings expected;
};

class DamagedFile : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(DamagedFile, FallsBackFieldByField) {
    const DamagedCase& c = GetParam();
    auto record = Changed().ToRecord();
    for (auto [offset, value] : c.pokes)
        record[offset] = static_cast<uint8_t>(value);
    EXPECT_EQ(Settings::FromRecord(record.data(), c.length), c.expected) << c.what;
}

Settings With(std::function<void(Settings&)> change) {
    Settings s = Changed();
    change(s);
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Settings, DamagedFile,
    ::testing::Values(
        DamagedCase{"empty file", 0, {}, Settings::Defaults()},
        DamagedCase{"flags only", 9, {}, With([](Settings& s) {
                        s.saveDirectory = Settings::Defaults().saveDirectory;
                        s.maxThreads = 4;
                        s.serverNameSubdirectory = 1;
                    })},
        DamagedCase{"cut inside the thread count", 270, {}, With([](Settings& s) {
                        s.maxThreads = 4;
                        s.serverNameSubdirectory = 1;
                    })},
        DamagedCase{"no subdirectory byte", 272, {}, With([](Settings& s) {
                        s.serverNameSubdirectory = 1;
                    })},
        DamagedCase{"thread count 0", 276, {{268, 0}}, With([](Settings& s) { s.maxThreads = 4; })},
        DamagedCase{
            "thread count 17", 276, {{268, 17}}, With([](Settings& s) { s.maxThreads = 4; })},
        DamagedCase{"negative thread count",
                    276,
                    {{268, 0xFF}, {269, 0xFF}, {270, 0xFF}, {271, 0xFF}},
                    With([](Settings& s) { s.maxThreads = 4; })},
        DamagedCase{
            "huge thread count", 276, {{271, 0x01}}, With([](Settings& s) { s.maxThreads = 4; })},
        DamagedCase{"flag 2 and flag 255", 276, {{0, 2}, {8, 255}, {272, 9}}, With([](Settings& s) {
                        s.harvestAvi = 1;
                        s.saveDirectoryConfirmed = 0;
                        s.serverNameSubdirectory = 1;
                    })},
        DamagedCase{
            "unterminated directory", 276,
            [] {
                std::vector<std::pair<int, int>> p;
                for (int i = 9; i < 268; ++i)
                    p.push_back({i, 'x'});
                return p;
            }(),
            With([](Settings& s) { s.saveDirectory = Settings::Defaults().saveDirectory; })}));

TEST(Settings, OverlongDirectoryIsStoredTerminated) {
    Settings s = Settings::Defaults();
    s.saveDirectory.assign(300, 'd');
    const auto record = s.ToRecord();
    EXPECT_EQ(record[9 + 258], 0);
    EXPECT_EQ(Settings::FromRecord(record.data(), record.size()).saveDirectory.size(), 258u);
}
