#include "LevelFolder.h"

namespace {

struct Configure {
    const char* name;
    std::string flags;
    int status;
    std::string said;  // what the configure output must hold
};

// A build of the game needs nothing but a compiler; asking for the tests
// without GoogleTest stops at once and names the package to install.
const Configure configures[] = {
    {"WithoutGoogleTest", "-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON", 0,
     "Build files have been written"},
    {"TestsAskedWithoutGoogleTest", "-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCAIRN_DEVELOPER=ON", 1,
     "install the Debian package libgtest-dev"},
};

class Build : public testing::TestWithParam<Configure> {};

TEST_P(Build, ConfiguresAndBuildsTheGame) {
    const auto& c = GetParam();
    const LevelFolder folder(std::map<std::string, std::string>{{"1.txt", "PE\n"}});
    const std::string configure = "cmake -S '" SOURCE_DIR "' -B out " + c.flags + " 2>&1";
    EXPECT_EQ(folder.run(configure), c.status);
    EXPECT_NE(folder.read("stdout").find(c.said), std::string::npos) << folder.read("stdout");
    if (c.status != 0) return;
    EXPECT_EQ(folder.run("cmake --build out -j2 --target cairn && test ! -e out/tests"), 0);
    EXPECT_EQ(folder.run("printf d | out/cairn"), 0);
    EXPECT_EQ(folder.read("stdout"), frameOf("PE\n") + frameOf(" P\n") + "Gratz, you won!\n");
}

INSTANTIATE_TEST_SUITE_P(Configures, Build, testing::ValuesIn(configures), ByName());

// Installed, the game plays its own levels from a folder that has none.
TEST(Install, PlaysTheInstalledLevelsFromAnyFolder) {
    const LevelFolder folder({});
    std::filesystem::remove(folder.path("levels"));
    ASSERT_EQ(folder.run("cmake --install '" BINARY_DIR "' --prefix prefix"), 0);
    EXPECT_EQ(folder.run("printf q | prefix/games/cairn"), 0);
    const std::string first = readFile(SOURCE_DIR "/levels/1.txt");
    EXPECT_EQ(folder.read("stdout").substr(30, first.find('\n')),
              first.substr(0, first.find('\n')));
    EXPECT_TRUE(std::filesystem::exists(folder.path("prefix/share/man/man6/cairn-check.6.gz")));
}

}  // namespace
