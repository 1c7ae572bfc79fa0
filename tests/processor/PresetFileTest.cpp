#include <gtest/gtest.h>

#include "SettingsTestSupport.h"

#include <csignal>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace settings_test;

namespace
{
const std::string kDefaultFile =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "\r\n"
    "<VORN_SETTINGS ValveDrive=\"0\" ValveBias=\"0\" ValveInput=\"0\" ValveBlend=\"0\" "
    "ValveMode=\"0\"\r\n"
    "               CompRatio=\"0\" CompAttack=\"0\" CompRecovery=\"0\" "
    "CompThreshold=\"0\"\r\n"
    "               CompBlend=\"0\" Output=\"0\" MasterBypass=\"1\"/>\r\n";

// Lines wrap once the attributes on them pass 60 characters: here after 67, 61 and 63.
const Values kMixed = {0.1f, 0.5f, 0, 0.25f, 1, 0, 0, 0, 0, 0, 0.75f, 1};
const std::string kMixedFile =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "\r\n"
    "<VORN_SETTINGS ValveDrive=\"0.10000000149011611938\" ValveBias=\"0.5\" "
    "ValveInput=\"0\"\r\n"
    "               ValveBlend=\"0.25\" ValveMode=\"1\" CompRatio=\"0\" CompAttack=\"0\"\r\n"
    "               CompRecovery=\"0\" CompThreshold=\"0\" CompBlend=\"0\" Output=\"0.75\"\r\n"
    "               MasterBypass=\"1\"/>\r\n";

class PresetFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // CTest runs tests as parallel processes; the process id keeps their folders apart.
        folder = juce::File::getSpecialLocation(juce::File::tempDirectory)
                     .getNonexistentChildFile("vorn-presets-" + juce::String(getpid()), "");
        ASSERT_TRUE(folder.createDirectory().wasOk());
        setValues(processor, kBefore);
        processor.currentPresetName = "Before";
    }

    void TearDown() override
    {
        folder.setReadOnly(false, true);
        folder.deleteRecursively();
    }

    std::string contentOf(const juce::File& file) const
    {
        juce::MemoryBlock block;
        file.loadFileAsData(block);
        return toString(block);
    }

    void write(const juce::File& file, const std::string& bytes) const
    {
        ASSERT_TRUE(file.replaceWithData(bytes.data(), bytes.size()));
    }

    // Everything in the folder, hidden files included.
    juce::StringArray entries() const
    {
        juce::StringArray names;
        for (const auto& entry :
             juce::RangedDirectoryIterator(folder, true, "*", juce::File::findFilesAndDirectories))
            names.add(entry.getFile().getRelativePathFrom(folder));
        names.sort(false);
        return names;
    }

    void expectUnchanged(const std::string& what)
    {
        EXPECT_TRUE(sameValues(valuesOf(processor), kBefore)) << what;
        EXPECT_EQ(processor.currentPresetName, "Before") << what;
        EXPECT_FALSE(processor.isSuspended()) << what;
    }

    juce::File folder;
    VornAudioProcessor processor;
};

//==============================================================================
struct WrittenCase
{
    Values values;
    const std::string* expected;
};

class WrittenPresetFile : public PresetFile, public ::testing::WithParamInterface<WrittenCase>
{
};

TEST_P(WrittenPresetFile, ByteForByte)
{
    setValues(processor, GetParam().values);
    const auto file = folder.getChildFile("Known.atp");
    const auto result = processor.savePreset(file);
    ASSERT_TRUE(result.wasOk()) << result.getErrorMessage();
    EXPECT_EQ(contentOf(file), *GetParam().expected);
}

const Values kDefaults = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};

INSTANTIATE_TEST_SUITE_P(PresetFile, WrittenPresetFile,
                         ::testing::Values(WrittenCase{kDefaults, &kDefaultFile},
                                           WrittenCase{kMixed, &kMixedFile}));

TEST_F(PresetFile, SaveSetsTheNameThatTheNextChunkCarries)
{
    const auto result = processor.savePreset(folder.getChildFile("Warm & \"Loud\".atp"));
    ASSERT_TRUE(result.wasOk()) << result.getErrorMessage();
    EXPECT_EQ(processor.currentPresetName, "Warm & \"Loud\"");
    EXPECT_NE(stateChunkOf(processor).find(" Preset=\"Warm &amp; &quot;Loud&quot;\"/>"), std::string::npos);
}

TEST_F(PresetFile, SaveCreatesMissingFolders)
{
    const auto file = folder.getChildFile("one/two/Deep.atp");
    ASSERT_TRUE(processor.savePreset(file).wasOk());
    EXPECT_TRUE(file.existsAsFile());
    EXPECT_EQ(processor.currentPresetName, "Deep");
}

// The temporary file beside it must not need a longer name than the preset's own.
TEST_F(PresetFile, NameNearTheLengthLimitSaves)
{
    const auto name = juce::String::repeatedString("n", 251);
    const auto file = folder.getChildFile(name + ".atp");
    const auto result = processor.savePreset(file);
    ASSERT_TRUE(result.wasOk()) << result.getErrorMessage();
    EXPECT_EQ(processor.currentPresetName, name);
    EXPECT_EQ(entries(), juce::StringArray(name + ".atp"));
}

TEST_F(PresetFile, SavingOverAnExistingFileReplacesIt)
{
    const auto file = folder.getChildFile("Known.atp");
    write(file, std::string(5000, 'x'));
    setValues(processor, kDefaults);

    ASSERT_TRUE(processor.savePreset(file).wasOk());
    EXPECT_EQ(contentOf(file), kDefaultFile);
    EXPECT_EQ(entries(), juce::StringArray("Known.atp"));
}

TEST_F(PresetFile, LoadRestoresTheParametersButNotTheName)
{
    VornAudioProcessor source;
    setValues(source, kAfter);
    const auto file = folder.getChildFile("After.atp");
    ASSERT_TRUE(source.savePreset(file).wasOk());

    processor.loadPreset(file.getFullPathName());
    EXPECT_TRUE(sameValues(valuesOf(processor), kAfter));
    EXPECT_EQ(processor.currentPresetName, "Before");
    EXPECT_FALSE(processor.isSuspended());
}

//==============================================================================
// Other layouts of the same XML load like a written file.
class PresetLayout : public PresetFile, public ::testing::WithParamInterface<std::string>
{
};

TEST_P(PresetLayout, LoadsLikeAWrittenFile)
{
    const auto file = folder.getChildFile("Layout.atp");
    write(file, GetParam());
    processor.loadPreset(file.getFullPathName());
    EXPECT_TRUE(sameValues(valuesOf(processor), kAfter));
    EXPECT_EQ(processor.currentPresetName, "Before");
    EXPECT_FALSE(processor.isSuspended());
}

const std::string kOneLine = "<VORN_SETTINGS" + attributesFor(kAfter) + "/>";

INSTANTIATE_TEST_SUITE_P(PresetFile, PresetLayout,
                         ::testing::Values(kOneLine,
                                           "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n" + kOneLine + "\n",
                                           "\xef\xbb\xbf" + kOneLine, "<!-- hand-made -->\n" + kOneLine,
                                           // A "Preset" attribute, as the state chunk has one, is ignored.
                                           "<VORN_SETTINGS" + attributesFor(kAfter) + " Preset=\"Other\"/>",
                                           "<VORN_SETTINGS" + attributesFor(kAfter) + ">\n</VORN_SETTINGS>"));

//==============================================================================
// Files that must change nothing.
struct BadFile
{
    const char* name;
    std::string bytes;
};

void PrintTo(const BadFile& file, std::ostream* out)
{
    *out << file.name;
}

class RejectedPresetFile : public PresetFile, public ::testing::WithParamInterface<BadFile>
{
};

TEST_P(RejectedPresetFile, ChangesNothing)
{
    const auto file = folder.getChildFile("Bad.atp");
    write(file, GetParam().bytes);
    processor.loadPreset(file.getFullPathName());
    expectUnchanged(GetParam().name);
}

std::string nested(int depth)
{
    std::string text = "<VORN_SETTINGS" + attributesFor(kAfter) + ">";
    for (int i = 0; i < depth; ++i)
        text += "<a>";
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    PresetFile, RejectedPresetFile,
    ::testing::Values(BadFile{"Empty", ""}, BadFile{"NotXml", "[settings]\nValveDrive=0.61\n"},
                      BadFile{"OtherTag", "<OTHER_SETTINGS" + attributesFor(kAfter) + "/>"},
                      BadFile{"TagInOtherCase", "<Vorn_Settings" + attributesFor(kAfter) + "/>"},
                      BadFile{"CutInTheAttributeList", "<VORN_SETTINGS ValveDrive=\"0.61\" ValveBias="},
                      BadFile{"InvalidUtf8", "<VORN_SETTINGS ValveDrive=\"0.61\" Name=\"\xfe\"/>"},
                      BadFile{"Utf16", std::string("\xff\xfe<\0V\0O\0R\0N\0", 12)},
                      BadFile{"NestedAHundredThousandLevels", nested(100000)},
                      BadFile{"LargerThanAPresetCanBe", "<VORN_SETTINGS" + attributesFor(kAfter) +
                                                            "/>\n<!--" + std::string(1 << 20, '-') + "-->"}),
    [](const ::testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

TEST_F(PresetFile, PathsThatNameNoPresetChangeNothing)
{
    write(folder.getChildFile("Real.atp"), kOneLine);
    const juce::String paths[] = {folder.getChildFile("Missing.atp").getFullPathName(),
                                  folder.getFullPathName(), "", "Real.atp"};

    for (const auto& path : paths)
    {
        processor.loadPreset(path);
        expectUnchanged(path.toStdString());
    }
}

// A file cut anywhere, as a crash during an unsafe save would leave it, is no preset.
TEST_F(PresetFile, EveryTruncationOfAWrittenFileChangesNothing)
{
    VornAudioProcessor source;
    setValues(source, kAfter);
    const auto written = folder.getChildFile("Written.atp");
    ASSERT_TRUE(source.savePreset(written).wasOk());
    const auto text = contentOf(written);
    const auto closing = text.rfind("/>");
    const auto cut = folder.getChildFile("Cut.atp");

    for (size_t length = 0; length < text.size(); ++length)
    {
        write(cut, text.substr(0, length));
        processor.loadPreset(cut.getFullPathName());
        if (length < closing + 2)
            expectUnchanged("length " + std::to_string(length));
        else // only line-end characters are missing
            EXPECT_TRUE(sameValues(valuesOf(processor), kAfter)) << length;
        setValues(processor, kBefore);
    }
}

//==============================================================================
// Saves that fail report what went wrong and leave the name and the disk as they were.
struct FailedSave
{
    const char* name;
    juce::String (*prepare)(const juce::File& folder); // returns the path to save to
    const char* messagePart;
};

void PrintTo(const FailedSave& save, std::ostream* out)
{
    *out << save.name;
}

class FailingSave : public PresetFile, public ::testing::WithParamInterface<FailedSave>
{
};

TEST_P(FailingSave, ReportsAndChangesNothing)
{
    const auto path = GetParam().prepare(folder);
    const auto before = entries();

    const auto result = processor.savePreset(juce::File(path));
    EXPECT_TRUE(result.failed());
    EXPECT_TRUE(result.getErrorMessage().contains(GetParam().messagePart)) << result.getErrorMessage();
    EXPECT_TRUE(result.getErrorMessage().contains(path)) << result.getErrorMessage();
    EXPECT_EQ(processor.currentPresetName, "Before");
    EXPECT_EQ(entries(), before);
}

INSTANTIATE_TEST_SUITE_P(
    PresetFile, FailingSave,
    ::testing::Values(FailedSave{"EmptyFolderInTheWay",
                                 [](const juce::File& folder)
                                 {
                                     const auto in = folder.getChildFile("Taken.atp");
                                     in.createDirectory();
                                     return in.getFullPathName();
                                 },
                                 "folder"},
                      FailedSave{"FullFolderInTheWay",
                                 [](const juce::File& folder)
                                 {
                                     const auto in = folder.getChildFile("Taken.atp");
                                     in.getChildFile("inside.txt").create();
                                     return in.getFullPathName();
                                 },
                                 "folder"},
                      FailedSave{"PathThroughARegularFile",
                                 [](const juce::File& folder)
                                 {
                                     folder.getChildFile("plain.txt").replaceWithText("x");
                                     return folder.getFullPathName() + "/plain.txt/Preset.atp";
                                 },
                                 "Could not save"},
                      FailedSave{"NameTooLong",
                                 [](const juce::File& folder) {
                                     return folder.getFullPathName() + "/" +
                                            juce::String::repeatedString("n", 300) + ".atp";
                                 },
                                 "too long"}),
    [](const ::testing::TestParamInfo<FailedSave>& info) { return std::string(info.param.name); });

TEST_F(PresetFile, SaveIntoAReadOnlyFolderFails)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";

    const auto locked = folder.getChildFile("locked");
    ASSERT_TRUE(locked.createDirectory().wasOk());
    ASSERT_TRUE(locked.setReadOnly(true));
    const auto result = processor.savePreset(locked.getChildFile("New.atp"));
    EXPECT_TRUE(result.failed());
    EXPECT_EQ(processor.currentPresetName, "Before");
    EXPECT_FALSE(locked.getChildFile("New.atp").exists());
}

// A file size limit cuts the write short (also for root), like a full disk: the earlier preset must
// survive whole, and a new file must not be left behind empty.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit limited = previous;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }

    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    }

private:
    rlimit previous{};
    void (*previousHandler)(int) = nullptr;
};

TEST_F(PresetFile, ShortWriteKeepsTheEarlierFile)
{
    const auto file = folder.getChildFile("Kept.atp");
    write(file, kOneLine);

    juce::Result result = juce::Result::ok();
    {
        const FileSizeLimit limit(100);
        result = processor.savePreset(file);
    }

    EXPECT_TRUE(result.failed());
    EXPECT_TRUE(result.getErrorMessage().contains(file.getFullPathName())) << result.getErrorMessage();
    EXPECT_EQ(contentOf(file), kOneLine);
    EXPECT_EQ(processor.currentPresetName, "Before");
    EXPECT_EQ(entries(), juce::StringArray("Kept.atp"));
}

TEST_F(PresetFile, ShortWriteOfANewFileLeavesNothing)
{
    juce::Result result = juce::Result::ok();
    {
        const FileSizeLimit limit(100);
        result = processor.savePreset(folder.getChildFile("New.atp"));
    }

    EXPECT_TRUE(result.failed());
    EXPECT_EQ(processor.currentPresetName, "Before");
    EXPECT_TRUE(entries().isEmpty()) << entries().joinIntoString(", ");
}
} // namespace
