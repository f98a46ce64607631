// The settings of the project file's extension block, reached by show and set like the others.

#include "cli_scratch.h"
#include "gallery/builder_doc.h"
#include "gallery/project_file.h"

using namespace cli_test;

namespace {

class CliExtensionSettings : public CliScratchTest {
protected:
    CliExtensionSettings() : CliScratchTest("fotoloom-cli-ext-", "recent.ini") {}
};

}  // namespace

TEST_F(CliExtensionSettings, SetAndShowReachThemAndRefuseWhatTheyCannotTake)
{
    const std::string project = file("p.gal");
    ASSERT_EQ(run({"new", project}).status, 0);
    Outcome r = run({"set", project, "cameraDetails=1", "darkVariant=0", "slideshowSeconds=8"});
    ASSERT_EQ(r.status, 0) << r.err;
    CBuilderDoc doc;
    ASSERT_EQ(loadProject(doc, project), ProjectResult::Ok);
    EXPECT_EQ(doc.cameraDetails, 1);
    EXPECT_EQ(doc.darkVariant, 0);
    EXPECT_EQ(doc.slideshowSeconds, 8);

    r = run({"show", project, "--json"});
    EXPECT_NE(r.out.find("\"cameraDetails\": 1,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"darkVariant\": 0,"), std::string::npos) << r.out;

    for (const char* bad : {"slideshowSeconds=0", "slideshowSeconds=61", "cameraDetails=2", "darkVariant=yes"}) {
        r = run({"set", project, bad});
        EXPECT_EQ(r.status, 2) << bad;  // wrong usage
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << bad << ": " << r.err;
    }
}
