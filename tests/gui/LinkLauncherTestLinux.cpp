#include <chrono>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "LinkLauncherLinux.h"

namespace {
// PATH pointing at a folder whose xdg-open writes its arguments to a file.
class FakeOpener {
public:
    FakeOpener() {
        char pattern[] = "/tmp/tonewell-links-XXXXXX";
        folder = mkdtemp(pattern);
        const std::string script = folder + "/xdg-open";
        std::ofstream(script)
            << "#!/bin/sh\nfor a in \"$@\"; do echo \"[$a]\"; done > \"$0.out\"\n";
        chmod(script.c_str(), 0755);
        if (const char* path = std::getenv("PATH")) oldPath = path;
        setenv("PATH", folder.c_str(), 1);
    }
    ~FakeOpener() {
        setenv("PATH", oldPath.c_str(), 1);
        std::remove((folder + "/xdg-open.out").c_str());
        std::remove((folder + "/xdg-open").c_str());
        rmdir(folder.c_str());
    }
    // What the opener was given, one "[argument]" a line, once it finished.
    std::string Arguments() const {
        for (int i = 0; i < 200 && LinkLauncherLinux::Reap() > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(folder + "/xdg-open.out");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string folder, oldPath;
};
} // namespace

TEST(LinkLauncherTest, TheAddressIsOneArgumentAndNoShellReadsIt) {
    FakeOpener opener;
    ASSERT_TRUE(LinkLauncherLinux::Open("https://example.org/a b;touch x$(id)'\"&"));
    EXPECT_EQ(opener.Arguments(), "[https://example.org/a b;touch x$(id)'\"&]\n");
    EXPECT_EQ(LinkLauncherLinux::Reap(), 0);
    // Nothing to start, or what xdg-open would read as an option.
    EXPECT_FALSE(LinkLauncherLinux::Open(nullptr));
    EXPECT_FALSE(LinkLauncherLinux::Open(""));
    EXPECT_FALSE(LinkLauncherLinux::Open("--version"));
}

TEST(LinkLauncherTest, AMissingOpenerIsReported) {
    FakeOpener opener;
    std::remove((opener.folder + "/xdg-open").c_str());
    EXPECT_FALSE(LinkLauncherLinux::Open("https://example.org"));
}
