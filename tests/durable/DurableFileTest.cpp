#include <DurableFile.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <sstream>

namespace tonewell::durable {
namespace {

namespace fs = std::filesystem;

class DurableFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("tonewell-durable-" + std::to_string(std::random_device{}()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Path(const std::string& name) const { return (folder_ / name).string(); }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path folder_;
};

TEST_F(DurableFileTest, ReplacesTheFileWholeAndLeavesNothingElse) {
    const std::string path = Path("state.bin");
    DurableFile::WriteWhole(path, "first", 5);
    DurableFile::WriteWhole(path, "second\n", 7);
    EXPECT_EQ(Read(path), "second\n");
    EXPECT_EQ(Entries(), std::vector<std::string>{"state.bin"});

    // Given up before the commit: the older file stays as it was.
    {
        DurableFile file(path);
        file.Write("third", 5);
    }
    EXPECT_EQ(Read(path), "second\n");
    EXPECT_EQ(Entries(), std::vector<std::string>{"state.bin"});
}

TEST_F(DurableFileTest, RefusesWhatCannotBecomeAFile) {
    fs::create_directories(folder_ / "folder");
    EXPECT_THROW(DurableFile::WriteWhole(Path("folder"), "x", 1), DurableFileError);
    EXPECT_THROW(DurableFile::WriteWhole(Path("missing/state.bin"), "x", 1), DurableFileError);
    try {
        DurableFile::WriteWhole(Path("missing/state.bin"), "x", 1);
    } catch (const DurableFileError& error) {
        EXPECT_NE(std::string(error.what()).find("missing"), std::string::npos) << error.what();
        EXPECT_FALSE(error.Reason().empty());
    }
    EXPECT_EQ(Entries(), std::vector<std::string>{"folder"});
}

} // namespace
} // namespace tonewell::durable
