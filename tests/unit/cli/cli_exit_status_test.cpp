// The exit statuses that --help promises, one promise at a time: Ctrl+C, wrong values, a browser
// that cannot be opened, a folder without pictures.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/file_system.h"
#include "cli/cli_system.h"
#include "cli_scratch.h"
#include "picture/picture.h"

#ifndef _WIN32
#include <sys/stat.h>

#include <cstdlib>
#endif

namespace {

using namespace cli_test;

class CliExitStatusTest : public CliScratchTest {
protected:
    CliExitStatusTest() : CliScratchTest("fotoloom-cli-exit-", "recent.ini") { project = file("p.gal"); }

    std::string picture(const std::string& name) const
    {
        const std::string path = file(name);
        std::filesystem::create_directories(pathOf(path).parent_path());
        CPicture pic;
        EXPECT_TRUE(pic.setPixels(40, 30, std::vector<uint8_t>(40 * 30 * 4, 90)));
        EXPECT_TRUE(pic.Save(path, kFormatJpeg));
        return path;
    }

    // A project of one album holding `count` pictures.
    void makeProject(int count)
    {
        ASSERT_EQ(run({"new", project}).status, 0);
        ASSERT_EQ(run({"album", "add", project, "A"}).status, 0);
        std::vector<std::string> args{"image", "add", project, "1"};
        for (int i = 0; i < count; ++i) args.push_back(picture("pics/p" + std::to_string(i) + ".jpg"));
        ASSERT_EQ(run(args).status, 0);
    }

    std::string bytes(const std::string& path) const
    {
        std::ifstream in(pathOf(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string project;
};

}  // namespace

TEST_F(CliExitStatusTest, CtrlCEndsABuildWith130)
{
    makeProject(3);
    InterruptGuard::request();  // as if pressed while the build runs: seen at its first picture
    Outcome r = run({"build", project, "-o", file("out")});
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_NE(r.err.find("cancelled"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");  // no page to name

    // The request ended with that build: the next one runs whole.
    r = run({"quick", file("pics"), "-o", file("out"), "--force", "--quality", "70"});
    EXPECT_EQ(r.status, 0) << r.err;
    InterruptGuard::request();
    r = run({"quick", file("pics"), "-o", file("out"), "--force"});
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_EQ(run({"quick", file("pics"), "-o", file("out"), "--quality", "0"}).status, 2);
}

TEST_F(CliExitStatusTest, AFolderWithoutPicturesIsAFailureAndChangesNothing)
{
    makeProject(1);
    std::filesystem::create_directories(pathOf(file("none")));
    std::ofstream(pathOf(file("none/readme.txt"))) << "text";
    const std::string before = bytes(project);
    Outcome r = run({"image", "add-folder", project, "1", file("none")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no pictures in " + file("none") + "; nothing changed"), std::string::npos) << r.err;
    EXPECT_EQ(bytes(project), before);
}

TEST_F(CliExitStatusTest, HelpGivesTheTableOfExitStatuses)
{
    Outcome r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    const size_t table = r.out.find("Exit status:\n");
    ASSERT_NE(table, std::string::npos) << r.out;
    for (const char* row :
         {"\n  0    success", "\n  1    failure", "\n  2    wrong usage", "\n  130  stopped by Ctrl+C"})
        EXPECT_NE(r.out.find(row, table), std::string::npos) << row;
}

#ifndef _WIN32
// xdg-open stands in for the desktop's opener: a script first on the PATH that notes where its
// output goes, says a lot, and fails as xdg-open does when it finds no browser, or succeeds.
class CliOpenTest : public CliExitStatusTest {
protected:
    CliOpenTest()
    {
        const char* path = std::getenv("PATH");
        savedPath_ = path ? path : "";
        std::filesystem::create_directories(pathOf(file("bin")));
        setenv("PATH", (file("bin") + ":" + savedPath_).c_str(), 1);
    }
    ~CliOpenTest() override { setenv("PATH", savedPath_.c_str(), 1); }

    void opener(int status) const
    {
        const std::string script = file("bin/xdg-open");
        std::ofstream(pathOf(script)) << "#!/bin/sh\n"
                                      << "for fd in 1 2; do [ /proc/$$/fd/$fd -ef /dev/null ] && echo quiet >> '"
                                      << file("opened") << "'; done\n"
                                      << "echo \"$1\" >> '" << file("opened") << "'\n"
                                      << "for b in one two three four five; do echo \"no $b\"; echo \"$b?\" >&2; done\n"
                                      << "exit " << status << "\n";
        ASSERT_EQ(::chmod(script.c_str(), 0755), 0);
    }

    std::string savedPath_;
};

TEST_F(CliOpenTest, NoBrowserIsOneLineAndAFailureAndTheOpenersWordsAreNotShown)
{
    makeProject(1);
    opener(3);
    Outcome r = run({"build", project, "-o", file("out"), "--open"});
    EXPECT_EQ(r.status, 1) << r.err;
    const std::string index = joinPath(joinPath(file("out"), "Untitled Gallery"), "index.html");
    EXPECT_EQ(r.out, index + "\n");  // the gallery is there all the same
    EXPECT_NE(r.err.find("fotoloom: no browser could be opened for " + index + "\n"), std::string::npos) << r.err;
    EXPECT_EQ(bytes(file("opened")), "quiet\nquiet\n" + index + "\n");

    opener(0);
    r = run({"build", project, "-o", file("out"), "--open"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("browser"), std::string::npos) << r.err;
}
#endif
