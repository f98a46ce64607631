// What the command line says when a command fails: the program's own message with the reason
// after it, nothing on the output that could pass for a result, and the exit status its table
// promises.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "base/file_system.h"
#include "cli/build_progress.h"
#include "cli_scratch.h"
#include "generator/theme_files.h"

namespace {

using namespace cli_test;

class CliMessagesTest : public CliScratchTest {
protected:
    CliMessagesTest() : CliScratchTest("fotoloom-cli-messages-", "recent.ini") { project = file("p.gal"); }

    void write(const std::string& path, const std::string& bytes) const
    {
        std::ofstream(pathOf(path), std::ios::binary) << bytes;
    }

    std::string project;
};

size_t lines(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

}  // namespace

// --- A file that is no project ------------------------------------------------------------------

TEST_F(CliMessagesTest, ShowOfAFileThatIsNoProjectPrintsNothingAndSaysSo)
{
    const std::string text = file("notes.gal");
    write(text, "hello");
    const std::string empty = file("empty.gal");
    write(empty, "");
    for (const std::string& path : {text, empty}) {
        for (bool json : {false, true}) {
            SCOPED_TRACE(path + (json ? " --json" : ""));
            Outcome r = json ? run({"show", path, "--json"}) : run({"show", path});
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.out, "");
            EXPECT_NE(r.err.find("Wrong GAL file! Nothing in it could be read as a gallery project."),
                      std::string::npos)
                << r.err;
            EXPECT_EQ(lines(r.err), 1u) << r.err;
        }
    }

    // Cut after its first album: what was read is shown, without the claim that nothing was.
    ASSERT_EQ(run({"new", project}).status, 0);
    ASSERT_EQ(run({"album", "add", project, "Kept"}).status, 0);
    std::ifstream in(pathOf(project), std::ios::binary);
    const std::string whole((std::istreambuf_iterator<char>(in)), {});
    const std::string cut = file("cut.gal");
    write(cut, whole.substr(0, 30));
    Outcome r = run({"show", cut, "--json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("\"title\": \"Kept\""), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("Wrong GAL file!"), std::string::npos);
    EXPECT_EQ(r.err.find("Nothing in it"), std::string::npos) << r.err;
}

// --- Reasons after the program's messages -------------------------------------------------------

TEST_F(CliMessagesTest, AProjectThatCannotBeOpenedOrSavedSaysWhy)
{
    Outcome r = run({"show", file("missing.gal")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("missing.gal: Cannot open gallery! The file does not exist.\n"), std::string::npos) << r.err;

    std::filesystem::create_directories(pathOf(file("folder.gal")));
    r = run({"album", "add", file("folder.gal"), "A"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Cannot open gallery! It is a folder.\n"), std::string::npos) << r.err;

    // A project in a folder that is not there: the system's own words.
    const std::string nowhere = joinPath(file("no-such-folder"), "p.gal");
    r = run({"new", nowhere});
    EXPECT_EQ(r.status, 1);
    const std::string reason = std::generic_category().message(ENOENT);
    EXPECT_NE(r.err.find("Cannot save gallery! " + reason + ".\n"), std::string::npos) << r.err;
    EXPECT_EQ(lines(r.err), 1u) << r.err;
    EXPECT_FALSE(std::filesystem::exists(pathOf(file("no-such-folder"))));

    // A folder in the way of the save.
    r = run({"new", "--force", file("folder.gal")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Cannot save gallery! It is a folder.\n"), std::string::npos) << r.err;
}

TEST_F(CliMessagesTest, TheCommandLineNamesItsOwnCommandsNotTheProgramsButtons)
{
    ASSERT_EQ(run({"new", project}).status, 0);
    Outcome r = run({"build", project, "-o", file("out")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("You need at least one album in your album. Add one with 'fotoloom album add'."),
              std::string::npos)
        << r.err;
    ASSERT_EQ(run({"album", "add", project, "A"}).status, 0);
    r = run({"build", project, "-o", file("out")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("You need at least one image in your gallery. Add some with 'fotoloom image add'"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("Click on"), std::string::npos) << r.err;

    // Folders without a picture: said so, and nothing is built.
    std::filesystem::create_directories(pathOf(file("Empty")));
    write(file("Empty/notes.txt"), "no picture");
    r = run({"quick", file("Empty"), "-o", file("out")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no pictures in " + file("Empty") + "; nothing was built"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Click on"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(pathOf(file("out"))));
}

TEST_F(CliMessagesTest, AnUnknownOptionIsCalledAnOption)
{
    Outcome r = run({"--frobnicate"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown option '--frobnicate'"), std::string::npos) << r.err;
    r = run({"image", "--frobnicate"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown option '--frobnicate'"), std::string::npos) << r.err;
    r = run({"frobnicate"});
    EXPECT_NE(r.err.find("unknown command 'frobnicate'"), std::string::npos) << r.err;
}

TEST(CliNoTheme, TheProgramsMessageSaysWhereItLooked)
{
    std::ostringstream err;
    CliBuildObserver observer(err, false, false);
    observer.warning(kNoThemeMessage);
    EXPECT_EQ(err.str(), "fotoloom: Cannot load template. Reinstall Fotoloom. No theme was found in " +
                             defaultTemplateRoot() + ".\n");
}
