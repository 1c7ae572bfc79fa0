#include <gtest/gtest.h>

#include "ProductInfo.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <unistd.h>

namespace
{
const juce::String kBelowHome = "/Music/Audio Music Apps/Mordax/Presets/VORN";

// Each test gets a home folder of its own: JUCE takes the home folder from $HOME.
class PresetFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (const char* home = std::getenv("HOME"))
            previousHome = home;
        // CTest runs tests as parallel processes; the process id keeps their folders apart.
        root = juce::File::getSpecialLocation(juce::File::tempDirectory)
                   .getNonexistentChildFile("vorn-home-" + juce::String(getpid()), "");
        ASSERT_TRUE(root.createDirectory().wasOk());
        home = root.getChildFile("home");
        ASSERT_TRUE(home.createDirectory().wasOk());
        setenv("HOME", home.getFullPathName().toRawUTF8(), 1);
    }

    void TearDown() override
    {
        if (previousHome.has_value())
            setenv("HOME", previousHome->c_str(), 1);
        else
            unsetenv("HOME");
        root.deleteRecursively(false);
    }

    // Everything under a folder, with links shown as such, for "nothing was created" checks.
    static juce::StringArray tree(const juce::File& top)
    {
        juce::StringArray names;
        for (const auto& entry :
             juce::RangedDirectoryIterator(top, true, "*", juce::File::findFilesAndDirectories))
            names.add(entry.getFile().getRelativePathFrom(top) +
                      (entry.getFile().isSymbolicLink() ? " ->" : ""));
        names.sort(false);
        return names;
    }

    juce::File root;
    juce::File home;
    std::optional<std::string> previousHome;
    ProductInfo productInfo;
};

TEST_F(PresetFolder, JuceReadsTheHomeFolderFromTheEnvironment)
{
    EXPECT_EQ(juce::File::getSpecialLocation(juce::File::userHomeDirectory), home);
}

TEST_F(PresetFolder, CreatesAllFiveLevels)
{
    EXPECT_EQ(productInfo.getPresetDirectory(), home.getFullPathName() + kBelowHome);

    const juce::String levels[] = {"Music", "Music/Audio Music Apps", "Music/Audio Music Apps/Mordax",
                                   "Music/Audio Music Apps/Mordax/Presets",
                                   "Music/Audio Music Apps/Mordax/Presets/VORN"};
    for (const auto& level : levels)
        EXPECT_TRUE(home.getChildFile(level).isDirectory()) << level;
    EXPECT_EQ(tree(home).size(), 5);
}

TEST_F(PresetFolder, MissingHomeFolderIsCreatedToo)
{
    ASSERT_TRUE(home.deleteRecursively());
    EXPECT_EQ(productInfo.getPresetDirectory(), home.getFullPathName() + kBelowHome);
    EXPECT_TRUE(home.getChildFile(kBelowHome.substring(1)).isDirectory());
}

TEST_F(PresetFolder, ExistingFolderIsReturnedAndNothingIsCreated)
{
    const auto presets = home.getChildFile(kBelowHome.substring(1));
    ASSERT_TRUE(presets.createDirectory().wasOk());
    ASSERT_TRUE(presets.getChildFile("Mine.atp").replaceWithText("kept"));
    const auto before = tree(home);

    EXPECT_EQ(productInfo.getPresetDirectory(), presets.getFullPathName());
    EXPECT_EQ(tree(home), before);
    EXPECT_EQ(presets.getChildFile("Mine.atp").loadFileAsString(), "kept");
}

TEST_F(PresetFolder, ProductFolderDeletedBetweenCallsIsMadeAgain)
{
    const auto first = productInfo.getPresetDirectory();
    ASSERT_TRUE(juce::File(first).deleteRecursively());

    EXPECT_EQ(productInfo.getPresetDirectory(), first);
    EXPECT_TRUE(juce::File(first).isDirectory());
}

TEST_F(PresetFolder, RegularFileNamedPresetsGivesNoFolder)
{
    const auto company = home.getChildFile("Music/Audio Music Apps/Mordax");
    ASSERT_TRUE(company.createDirectory().wasOk());
    ASSERT_TRUE(company.getChildFile("Presets").replaceWithText("not a folder"));

    EXPECT_EQ(productInfo.getPresetDirectory(), "");
    EXPECT_TRUE(company.getChildFile("Presets").existsAsFile());
    EXPECT_FALSE(company.getChildFile("Presets/VORN").exists());
}

// A link at the Music, Apps or Presets level is followed: the path goes on from its target. The
// link's target may be given relative to the link's folder.
struct LinkCase
{
    const char* name;
    const char* linkBelowHome; // the level that is a link
    bool relativeTarget;
};

void PrintTo(const LinkCase& linkCase, std::ostream* out)
{
    *out << linkCase.name;
}

class LinkedLevel : public PresetFolder, public ::testing::WithParamInterface<LinkCase>
{
};

TEST_P(LinkedLevel, PathContinuesFromTheTarget)
{
    const auto link = home.getChildFile(GetParam().linkBelowHome);
    const auto target = root.getChildFile("elsewhere");
    ASSERT_TRUE(target.createDirectory().wasOk());
    ASSERT_TRUE(link.getParentDirectory().createDirectory().wasOk());
    const auto targetText = GetParam().relativeTarget ? target.getRelativePathFrom(link.getParentDirectory())
                                                      : target.getFullPathName();
    ASSERT_EQ(symlink(targetText.toRawUTF8(), link.getFullPathName().toRawUTF8()), 0);

    const juce::String rest =
        kBelowHome.fromFirstOccurrenceOf("/" + juce::String(GetParam().linkBelowHome), false, false);
    EXPECT_EQ(productInfo.getPresetDirectory(), target.getFullPathName() + rest);
    EXPECT_TRUE(juce::File(target.getFullPathName() + rest).isDirectory());
    EXPECT_TRUE(link.isSymbolicLink());
}

INSTANTIATE_TEST_SUITE_P(
    PresetFolder, LinkedLevel,
    ::testing::Values(LinkCase{"Music", "Music", false}, LinkCase{"MusicRelative", "Music", true},
                      LinkCase{"Apps", "Music/Audio Music Apps", false},
                      LinkCase{"Presets", "Music/Audio Music Apps/Mordax/Presets", false}),
    [](const ::testing::TestParamInfo<LinkCase>& info) { return std::string(info.param.name); });

// The company and product levels are not resolved: the path keeps the link's own name.
TEST_F(PresetFolder, LinkAtTheCompanyLevelKeepsItsName)
{
    const auto apps = home.getChildFile("Music/Audio Music Apps");
    ASSERT_TRUE(apps.createDirectory().wasOk());
    const auto target = root.getChildFile("company");
    ASSERT_TRUE(target.createDirectory().wasOk());
    ASSERT_EQ(symlink(target.getFullPathName().toRawUTF8(),
                      apps.getChildFile("Mordax").getFullPathName().toRawUTF8()),
              0);

    EXPECT_EQ(productInfo.getPresetDirectory(), home.getFullPathName() + kBelowHome);
    EXPECT_TRUE(target.getChildFile("Presets/VORN").isDirectory());
}

TEST(ProductInfo, NamesAndExtension)
{
    const ProductInfo info;
    EXPECT_EQ(info.productName, "VORN");
    EXPECT_EQ(info.companyName, "Mordax");
    EXPECT_EQ(ProductInfo::getPresetFileExtension(), ".atp");
}
} // namespace
