#include <gtest/gtest.h>

#include "SettingsTestSupport.h"

#include <cfloat>
#include <limits>
#include <string>
#include <vector>

using namespace settings_test;

namespace
{
const std::string kDefaultText =
    "<VORN_SETTINGS ValveDrive=\"0\" ValveBias=\"0\" ValveInput=\"0\" ValveBlend=\"0\" ValveMode=\"0\" "
    "CompRatio=\"0\" CompAttack=\"0\" CompRecovery=\"0\" CompThreshold=\"0\" CompBlend=\"0\" Output=\"0\" "
    "MasterBypass=\"1\" Preset=\"\"/>";

// A processor holding kBefore and the preset name "Before".
struct PreparedProcessor
{
    PreparedProcessor()
    {
        setValues(processor, kBefore);
        processor.currentPresetName = "Before";
    }

    VornAudioProcessor processor;
};

std::string settingsText(const std::string& attributes)
{
    return "<VORN_SETTINGS" + attributes + "/>";
}

std::string afterText()
{
    return settingsText(attributesFor(kAfter) + " Preset=\"After\"");
}

void expectUnchanged(VornAudioProcessor& processor, const std::string& what)
{
    const auto now = snapshotOf(processor);
    EXPECT_TRUE(sameValues(now.values, kBefore)) << what;
    EXPECT_EQ(now.presetName, "Before") << what;
    EXPECT_FALSE(now.suspended) << what;
}

//==============================================================================
TEST(StateChunk, DefaultChunkByteForByte)
{
    VornAudioProcessor processor;
    const auto chunk = stateChunkOf(processor);

    const std::string expected = std::string("\x56\x43\x32\x21", 4) +
                                 littleEndian((juce::uint32)kDefaultText.size()) + kDefaultText +
                                 std::string(1, '\0');
    EXPECT_EQ(chunk, expected);
    EXPECT_EQ(chunk.size(), kDefaultText.size() + 9);
}

TEST(StateChunk, GetStateReplacesEarlierContentOfTheBlock)
{
    VornAudioProcessor processor;
    juce::MemoryBlock block(5000, true);
    processor.getStateInformation(block);
    EXPECT_EQ(toString(block), chunkAround(kDefaultText));
}

TEST(StateChunk, DefaultChunkRestoresDefaultsAndEmptyName)
{
    PreparedProcessor target;
    restore(target.processor, chunkAround(kDefaultText));

    const Values defaults = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_TRUE(sameValues(valuesOf(target.processor), defaults));
    EXPECT_EQ(target.processor.currentPresetName, "");
    EXPECT_FALSE(target.processor.isSuspended());
}

TEST(StateChunk, WrittenChunkRestoresEveryValueAndTheName)
{
    VornAudioProcessor source;
    setValues(source, kAfter);
    source.currentPresetName = "After";
    const auto chunk = stateChunkOf(source);
    EXPECT_EQ(chunk, chunkAround(afterText()));

    PreparedProcessor target;
    restore(target.processor, chunk);
    EXPECT_TRUE(sameValues(valuesOf(target.processor), kAfter));
    EXPECT_EQ(target.processor.currentPresetName, "After");
    EXPECT_FALSE(target.processor.isSuspended());
}

//==============================================================================
// The value text of a float and its exact return ("Valve Blend" drives no DSP, so any float is fine).
struct ValueTextCase
{
    float value;
    const char* text;
};

class ValueText : public ::testing::TestWithParam<ValueTextCase>
{
};

TEST_P(ValueText, IsWrittenWithTwentyDigitsAndComesBackExactly)
{
    const auto& param = GetParam();
    VornAudioProcessor source;
    source.valveBlendParam->setValue(param.value);
    const auto chunk = stateChunkOf(source);
    EXPECT_NE(chunk.find(std::string(" ValveBlend=\"") + param.text + "\" "), std::string::npos) << chunk;

    PreparedProcessor target;
    restore(target.processor, chunk);
    const float restored = target.processor.valveBlendParam->getValue();
    EXPECT_EQ(std::memcmp(&restored, &param.value, sizeof(float)), 0) << restored;
}

INSTANTIATE_TEST_SUITE_P(StateChunk, ValueText,
                         ::testing::Values(ValueTextCase{0.0f, "0"}, ValueTextCase{1.0f, "1"},
                                           ValueTextCase{0.5f, "0.5"},
                                           ValueTextCase{0.1f, "0.10000000149011611938"},
                                           ValueTextCase{1.5f, "1.5"}, ValueTextCase{-0.25f, "-0.25"},
                                           ValueTextCase{1.0f / 3.0f, "0.3333333432674407959"},
                                           ValueTextCase{FLT_MAX, "3.4028234663852885981e+38"},
                                           ValueTextCase{FLT_TRUE_MIN, "1.4012984643248170709e-45"}));

//==============================================================================
// What one attribute's value text restores to, read where "Valve Blend" stands.
struct ReadCase
{
    const char* text;
    float expected;
};

class ValueReading : public ::testing::TestWithParam<ReadCase>
{
};

TEST_P(ValueReading, RestoresTheNumberOrZero)
{
    const auto& param = GetParam();
    auto values = kAfter;
    auto attributes = attributesFor(values);
    const std::string blend = std::string(" ValveBlend=\"");
    const auto start = attributes.find(blend) + blend.size();
    attributes.replace(start, attributes.find('"', start) - start, param.text);

    PreparedProcessor target;
    restore(target.processor, chunkAround(settingsText(attributes)));

    values[3] = param.expected;
    EXPECT_TRUE(sameValues(valuesOf(target.processor), values))
        << target.processor.valveBlendParam->getValue();
    EXPECT_FALSE(target.processor.isSuspended());
}

INSTANTIATE_TEST_SUITE_P(StateChunk, ValueReading,
                         ::testing::Values(ReadCase{"1.5", 1.5f}, ReadCase{"-2", -2.0f},
                                           ReadCase{"abc", 0.0f}, ReadCase{"", 0.0f}, ReadCase{"nan", 0.0f},
                                           ReadCase{"NaN", 0.0f}, ReadCase{"inf", 0.0f},
                                           ReadCase{"-inf", 0.0f}, ReadCase{"1e999", 0.0f},
                                           ReadCase{"-1e999", 0.0f}, ReadCase{"1e300", 0.0f},
                                           ReadCase{"3.4028234663852885981e+38", FLT_MAX},
                                           ReadCase{"0.10000000149011611938", 0.1f}, ReadCase{"0.1", 0.1f},
                                           ReadCase{" 0.25", 0.25f}, ReadCase{"0.75abc", 0.75f}));

//==============================================================================
// Restores by position: a parameter takes the value of the attribute at its own index only when
// that attribute carries its name.
struct PositionCase
{
    const char* name;
    std::string attributes;
    std::vector<int> restored; // indices that take kAfter; the others keep kBefore
    const char* presetName;
};

std::string afterAttributes(int from, int to)
{
    std::string text;
    for (int i = from; i < to; ++i)
    {
        char number[64];
        std::snprintf(number, sizeof(number), "%.20g", (double)kAfter[(size_t)i]);
        text += std::string(" ") + kAttributeNames[i] + "=\"" + number + "\"";
    }
    return text;
}

void PrintTo(const PositionCase& positionCase, std::ostream* out)
{
    *out << positionCase.name;
}

class RestoreByPosition : public ::testing::TestWithParam<PositionCase>
{
};

TEST_P(RestoreByPosition, TakesOnlyMatchingPositions)
{
    const auto& param = GetParam();
    PreparedProcessor target;
    restore(target.processor, chunkAround(settingsText(param.attributes)));

    auto expected = kBefore;
    for (int index : param.restored)
        expected[(size_t)index] = kAfter[(size_t)index];

    EXPECT_TRUE(sameValues(valuesOf(target.processor), expected));
    EXPECT_EQ(target.processor.currentPresetName, param.presetName);
    EXPECT_FALSE(target.processor.isSuspended());
}

const std::vector<int> kAll = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

INSTANTIATE_TEST_SUITE_P(
    StateChunk, RestoreByPosition,
    ::testing::Values(
        PositionCase{"BiasBeforeDrive",
                     " ValveBias=\"0.62\" ValveDrive=\"0.61\"" + afterAttributes(2, 12) + " Preset=\"After\"",
                     {2, 3, 4, 5, 6, 7, 8, 9, 10, 11},
                     "After"},
        PositionCase{"OnlyTheFirstFive", afterAttributes(0, 5), {0, 1, 2, 3, 4}, ""},
        PositionCase{"MisspeltCase",
                     " valvedrive=\"0.61\"" + afterAttributes(1, 12),
                     {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11},
                     ""},
        PositionCase{"ExtraAttributeShiftsTheRest",
                     afterAttributes(0, 5) + " Extra=\"1\"" + afterAttributes(5, 12) + " Preset=\"After\"",
                     {0, 1, 2, 3, 4},
                     "After"},
        PositionCase{"ExtraAttributesAtTheEnd",
                     afterAttributes(0, 12) + " Preset=\"After\" Later=\"x\" More=\"2\"", kAll, "After"},
        PositionCase{"PresetFirst", " Preset=\"After\"" + afterAttributes(0, 12), {}, "After"},
        PositionCase{"NoAttributes", "", {}, ""}),
    [](const ::testing::TestParamInfo<PositionCase>& info) { return std::string(info.param.name); });

//==============================================================================
class PresetNameRoundTrip : public ::testing::TestWithParam<const char*>
{
};

TEST_P(PresetNameRoundTrip, ComesBackUnchanged)
{
    const auto name = juce::String::fromUTF8(GetParam());
    VornAudioProcessor source;
    source.currentPresetName = name;
    const auto chunk = stateChunkOf(source);

    PreparedProcessor target;
    restore(target.processor, chunk);
    EXPECT_EQ(target.processor.currentPresetName, name);
    EXPECT_TRUE(sameValues(valuesOf(target.processor), valuesOf(source)));
}

INSTANTIATE_TEST_SUITE_P(StateChunk, PresetNameRoundTrip,
                         ::testing::Values("Rock & Roll", "say \"hi\"", "it's <here> & \"there\"",
                                           "Tab\there\r\nline",
                                           "\xc3\x9c"
                                           "bersteuert \xe2\x9c\x93",
                                           ""));

// JUCE writes every character outside printable ASCII as a character reference, whether XML 1.0
// allows the character or not ("&#1;", "&#65534;"); a preset file's name can hold any of them.
juce::String nameAround(juce::juce_wchar c)
{
    const juce::juce_wchar text[] = {'a', c, 'b', 0};
    return juce::String(juce::CharPointer_UTF32(text));
}

// Writes the name into a chunk, restores it elsewhere and writes that processor's chunk again.
struct NameRoundTrip
{
    explicit NameRoundTrip(const juce::String& name)
    {
        source.currentPresetName = name;
        chunk = stateChunkOf(source);
        restore(target.processor, chunk);
        rewritten = stateChunkOf(target.processor);
    }

    VornAudioProcessor source;
    PreparedProcessor target;
    std::string chunk, rewritten;
};

TEST(StateChunk, NamesWithAnyCharacterComeBackUnchanged)
{
    std::vector<juce::juce_wchar> characters;
    for (juce::juce_wchar c = 1; c < 0x20; ++c)
        characters.push_back(c);
    for (juce::juce_wchar c : {0x7f, 0x80, 0x9f, 0xa0, 0xd7ff, 0xe000, 0xfdd0, 0xfffd, 0xfffe, 0xffff,
                               0x10000, 0x1fffe, 0x1ffff, 0x10fffe, 0x10ffff})
        characters.push_back(c);

    juce::StringArray names;
    juce::String everyOne;
    for (auto c : characters)
    {
        names.add(nameAround(c));
        everyOne += juce::String::charToString(c);
    }
    names.add(everyOne);

    for (const auto& name : names)
    {
        SCOPED_TRACE("first character U+" + juce::String::toHexString((int)name[1]).toStdString());
        NameRoundTrip trip(name);
        EXPECT_EQ(trip.target.processor.currentPresetName, name) << trip.chunk;
        EXPECT_TRUE(sameValues(valuesOf(trip.target.processor), valuesOf(trip.source)));
        EXPECT_EQ(trip.rewritten, trip.chunk);
    }
}

// A file name that is not valid UTF-8 can give a name holding values that are no character at
// all: the chunk still restores, with U+FFFD in their place, and reads the same when written again.
TEST(StateChunk, NamesHoldingNoCharacterRestoreWithReplacements)
{
    const juce::String replaced = nameAround(0xfffd);
    const juce::String names[] = {nameAround(0xd800),
                                  nameAround(0xdfff),
                                  nameAround(0x110000),
                                  nameAround(0x1fffff),
                                  juce::String::fromUTF8("a\xed\xa0\x80"
                                                         "b"),
                                  juce::String::fromUTF8("a\xf4\x90\x80\x80"
                                                         "b")};
    for (const auto& name : names)
    {
        SCOPED_TRACE(juce::String::toHexString((int)name[1]).toStdString());
        NameRoundTrip trip(name);
        EXPECT_EQ(trip.target.processor.currentPresetName, replaced) << trip.chunk;
        EXPECT_TRUE(sameValues(valuesOf(trip.target.processor), valuesOf(trip.source)));
        EXPECT_EQ(trip.rewritten, trip.chunk);
    }
}

TEST(StateChunk, PresetNameIsEscapedInTheText)
{
    VornAudioProcessor source;
    source.currentPresetName = "A & \"B\"";
    const auto chunk = stateChunkOf(source);
    EXPECT_NE(chunk.find(" Preset=\"A &amp; &quot;B&quot;\"/>"), std::string::npos) << chunk;
}

//==============================================================================
// Texts in other layouts of the same XML restore the same way.
class OtherLayout : public ::testing::TestWithParam<std::string>
{
};

TEST_P(OtherLayout, RestoresLikeTheWrittenOne)
{
    PreparedProcessor target;
    restore(target.processor, chunkAround(GetParam()));
    EXPECT_TRUE(sameValues(valuesOf(target.processor), kAfter));
    EXPECT_EQ(target.processor.currentPresetName, "After");
    EXPECT_FALSE(target.processor.isSuspended());
}

std::string withSingleQuotesAndLineBreaks()
{
    auto text = afterText();
    for (auto& c : text)
        if (c == '"')
            c = '\'';
    std::string wrapped;
    for (auto c : text)
        wrapped += (c == ' ') ? std::string("\r\n\t ") : std::string(1, c);
    return wrapped;
}

std::string nestedToDepth(int depth)
{
    std::string open, close;
    for (int i = 1; i < depth; ++i)
    {
        open += "<a>";
        close = "</a>" + close;
    }
    return "<VORN_SETTINGS" + attributesFor(kAfter) + " Preset=\"After\">" + open + close +
           "</VORN_SETTINGS>";
}

INSTANTIATE_TEST_SUITE_P(
    StateChunk, OtherLayout,
    ::testing::Values("<?xml version=\"1.0\" encoding=\"UTF-8\"?> " + afterText(),
                      "<!-- saved by hand -->\n" + afterText() + "\n<?done?>\n",
                      withSingleQuotesAndLineBreaks(),
                      "<VORN_SETTINGS" + attributesFor(kAfter) + " Preset = \"After\" ></VORN_SETTINGS >",
                      "<VORN_SETTINGS" + attributesFor(kAfter) +
                          " Preset=\"Af&#116;&#x65;r\">text <![CDATA[<raw>]]> &amp; more</VORN_SETTINGS>",
                      nestedToDepth(32)));

// JUCE's own packing, which puts the XML declaration in front, is read as well.
TEST(StateChunk, JucePackedChunkRestores)
{
    VornAudioProcessor source;
    setValues(source, kAfter);
    source.currentPresetName = "After";
    const auto element = juce::parseXML(juce::String(afterText()));
    ASSERT_NE(element, nullptr);
    juce::MemoryBlock block;
    juce::AudioProcessor::copyXmlToBinary(*element, block);

    PreparedProcessor target;
    target.processor.setStateInformation(block.getData(), (int)block.getSize());
    EXPECT_TRUE(sameValues(valuesOf(target.processor), kAfter));
    EXPECT_EQ(target.processor.currentPresetName, "After");
}

//==============================================================================
// The envelope as JUCE reads it: the text is the smaller of the stored length and the bytes after
// the header, and ends at a zero byte.
struct AcceptedChunk
{
    const char* name;
    std::string bytes;
};

void PrintTo(const AcceptedChunk& chunk, std::ostream* out)
{
    *out << chunk.name;
}

class ChunkShape : public ::testing::TestWithParam<AcceptedChunk>
{
};

TEST_P(ChunkShape, Restores)
{
    PreparedProcessor target;
    restore(target.processor, GetParam().bytes);
    EXPECT_TRUE(sameValues(valuesOf(target.processor), kAfter));
    EXPECT_EQ(target.processor.currentPresetName, "After");
    EXPECT_FALSE(target.processor.isSuspended());
}

std::string withStoredLength(const std::string& text, juce::uint32 storedLength)
{
    auto chunk = chunkAround(text);
    chunk.replace(4, 4, littleEndian(storedLength));
    return chunk;
}

INSTANTIATE_TEST_SUITE_P(
    StateChunk, ChunkShape,
    ::testing::Values(
        AcceptedChunk{"WithoutTheZeroByte", chunkAround(afterText()).substr(0, afterText().size() + 8)},
        AcceptedChunk{"StoredLengthCountsTheZeroByte",
                      withStoredLength(afterText(), (juce::uint32)afterText().size() + 1)},
        AcceptedChunk{"StoredLengthBeyondTheData",
                      withStoredLength(afterText(), (juce::uint32)afterText().size() + 1000)},
        AcceptedChunk{"StoredLengthLargestPositive", withStoredLength(afterText(), 0x7fffffffu)},
        AcceptedChunk{"ZeroBytesAfterTheText", chunkAround(afterText() + std::string(7, '\0'))},
        AcceptedChunk{"AnythingAfterAZeroByte",
                      chunkAround(afterText() + std::string(1, '\0') + "<junk \xff")}),
    [](const ::testing::TestParamInfo<AcceptedChunk>& info) { return std::string(info.param.name); });

//==============================================================================
// Chunks that must change nothing, the preset name included, and leave processing resumed.
struct BadChunk
{
    const char* name;
    std::string bytes;
};

std::string deeplyNested(int depth)
{
    std::string text = "<VORN_SETTINGS" + attributesFor(kAfter) + " Preset=\"After\">";
    for (int i = 0; i < depth; ++i)
        text += "<a>";
    return text;
}

void PrintTo(const BadChunk& chunk, std::ostream* out)
{
    *out << chunk.name;
}

class RejectedChunk : public ::testing::TestWithParam<BadChunk>
{
};

TEST_P(RejectedChunk, ChangesNothing)
{
    PreparedProcessor target;
    const auto& bytes = GetParam().bytes;
    target.processor.setStateInformation(bytes.data(), (int)bytes.size());
    expectUnchanged(target.processor, GetParam().name);
}

const std::string kAfterAttributes = attributesFor(kAfter);

INSTANTIATE_TEST_SUITE_P(
    StateChunk, RejectedChunk,
    ::testing::Values(
        BadChunk{"OtherMagic",
                 []
                 {
                     auto c = chunkAround(afterText());
                     c[0] = 'W';
                     return c;
                 }()},
        BadChunk{"StoredLengthZero", withStoredLength(afterText(), 0)},
        BadChunk{"StoredLengthOneShort", withStoredLength(afterText(), (juce::uint32)afterText().size() - 1)},
        BadChunk{"StoredLengthNegative", withStoredLength(afterText(), 0x80000000u)},
        BadChunk{"StoredLengthHuge", withStoredLength(afterText(), 0xffffffffu)},
        BadChunk{"HeaderOnly", chunkAround("").substr(0, 8)},
        BadChunk{"NotXml", chunkAround("these are not the settings")},
        BadChunk{"OtherTag", chunkAround("<OTHER_SETTINGS" + kAfterAttributes + " Preset=\"After\"/>")},
        BadChunk{"TagInOtherCase", chunkAround("<vorn_settings" + kAfterAttributes + " Preset=\"After\"/>")},
        BadChunk{"TagWithSuffix", chunkAround("<VORN_SETTINGS2" + kAfterAttributes + " Preset=\"After\"/>")},
        BadChunk{"AttributeListCutAfterEquals", chunkAround("<VORN_SETTINGS ValveDrive=\"0.61\" ValveBias=")},
        BadChunk{"AttributeListCutAfterSpace", chunkAround("<VORN_SETTINGS ValveDrive=\"0.61\" ")},
        BadChunk{"UnquotedValue", chunkAround("<VORN_SETTINGS ValveDrive=\"0.61\" ValveBias=0.62/>")},
        BadChunk{"NoSpaceBetweenAttributes",
                 chunkAround("<VORN_SETTINGS ValveDrive=\"0.61\"ValveBias=\"0.62\"/>")},
        BadChunk{"LessThanInValue", chunkAround("<VORN_SETTINGS ValveDrive=\"0<6\"/>")},
        BadChunk{"CharacterReferenceCutAtTheEnd",
                 chunkAround("<VORN_SETTINGS ValveDrive=\"0.61\" Preset=\"&#x")},
        BadChunk{"CharacterReferenceToNul",
                 chunkAround("<VORN_SETTINGS ValveDrive=\"0.61\" Preset=\"&#0;\"/>")},
        BadChunk{"CharacterReferenceToSurrogate",
                 chunkAround("<VORN_SETTINGS ValveDrive=\"0.61\" Preset=\"&#xd800;\"/>")},
        BadChunk{"CharacterReferenceTooLarge",
                 chunkAround("<VORN_SETTINGS ValveDrive=\"0.61\" Preset=\"&#x110000;\"/>")},
        BadChunk{"UnknownEntity", chunkAround("<VORN_SETTINGS ValveDrive=\"0.61\" Preset=\"&nbsp;\"/>")},
        BadChunk{"ZeroByteInsideTheElement",
                 chunkAround(std::string("<VORN_SETTINGS ValveDrive=\"0.61\"\0/>", 35))},
        BadChunk{"DuplicateAttribute",
                 chunkAround("<VORN_SETTINGS ValveDrive=\"0.61\" ValveDrive=\"0.62\"/>")},
        BadChunk{"MismatchedEndTag", chunkAround("<VORN_SETTINGS" + kAfterAttributes + "></OTHER>")},
        BadChunk{"MissingEndTag", chunkAround("<VORN_SETTINGS" + kAfterAttributes + ">")},
        BadChunk{"TrailingText", chunkAround(afterText() + " and more")},
        BadChunk{"SecondRootElement", chunkAround(afterText() + "<VORN_SETTINGS/>")},
        BadChunk{"DocumentTypeWithEntity",
                 chunkAround(
                     "<!DOCTYPE VORN_SETTINGS [<!ENTITY v \"0.61\">]><VORN_SETTINGS ValveDrive=\"&v;\"/>")},
        BadChunk{"InstructionInsideTheElement",
                 chunkAround("<VORN_SETTINGS" + kAfterAttributes + "><?note?>text</VORN_SETTINGS>")},
        BadChunk{"SpaceBeforeTagName", chunkAround("< VORN_SETTINGS" + kAfterAttributes + "/>")},
        BadChunk{"ByteOrderMark", chunkAround("\xef\xbb\xbf" + afterText())},
        BadChunk{"Utf16", chunkAround(std::string("\xff\xfe<\0V\0", 6))},
        BadChunk{"LoneContinuationByte", chunkAround("<VORN_SETTINGS ValveDrive=\"0.61\" Preset=\"\x80\"/>")},
        BadChunk{"InvalidByte", chunkAround("<VORN_SETTINGS ValveDrive=\"0.61\" Preset=\"\xff\"/>")},
        BadChunk{"MultiByteCutAtTheEnd", chunkAround("<VORN_SETTINGS ValveDrive=\"0.61\" Preset=\"\xf0\x9f")},
        BadChunk{"LeadByteBeforeTheQuote",
                 chunkAround("<VORN_SETTINGS ValveDrive=\"0.61\" Preset=\"\xf0\"/>")},
        BadChunk{"OverlongEncoding", chunkAround("<VORN_SETTINGS ValveDrive=\"0.61\" Preset=\"\xc0\xaf\"/>")},
        BadChunk{"EncodedSurrogate",
                 chunkAround("<VORN_SETTINGS ValveDrive=\"0.61\" Preset=\"\xed\xa0\x80\"/>")},
        BadChunk{"ControlCharacter", chunkAround("<VORN_SETTINGS ValveDrive=\"0.61\" Preset=\"\x01\"/>")},
        BadChunk{"NestedOneLevelTooDeep", chunkAround(nestedToDepth(33))},
        BadChunk{"NestedAHundredThousandLevels", chunkAround(deeplyNested(100000))}),
    [](const ::testing::TestParamInfo<BadChunk>& info) { return std::string(info.param.name); });

TEST(StateChunk, NoDataChangesNothing)
{
    PreparedProcessor target;
    target.processor.setStateInformation(nullptr, 100);
    expectUnchanged(target.processor, "null data");
    const char byte = '<';
    target.processor.setStateInformation(&byte, 0);
    expectUnchanged(target.processor, "no bytes");
}

// A chunk cut anywhere before the end of its text is incomplete (without its zero byte alone, it
// restores).
TEST(StateChunk, EveryTruncationIntoTheTextChangesNothing)
{
    const auto chunk = chunkAround(afterText());
    PreparedProcessor target;

    for (size_t length = 0; length + 1 < chunk.size(); ++length)
    {
        target.processor.setStateInformation(chunk.data(), (int)length);
        expectUnchanged(target.processor, "length " + std::to_string(length));
    }
}

//==============================================================================
// Every single-byte corruption of a valid chunk, checked against what the byte's place allows:
// either nothing changes, or the corrupted text is still a settings element and the outcome
// follows from it. Some replacements must be accepted, so the check cannot pass by rejecting all.
enum class Place
{
    header,     // magic number
    length,     // stored text length
    markup,     // "<VORN_SETTINGS", "/>", '=' and quotes
    space,      // between attributes
    name,       // a parameter attribute's name
    value,      // a parameter attribute's value text
    presetName, // the name "Preset"
    presetValue,
    terminator // the zero byte after the text
};

struct Layout
{
    std::vector<Place> places;
    std::vector<int> attribute; // the attribute index for names and values, else -1
};

Layout layoutOf(const std::string& chunk)
{
    Layout layout;
    layout.places.assign(chunk.size(), Place::markup);
    layout.attribute.assign(chunk.size(), -1);
    for (size_t i = 0; i < 8; ++i)
        layout.places[i] = i < 4 ? Place::header : Place::length;
    layout.places.back() = Place::terminator;

    size_t position = 8 + std::string("<VORN_SETTINGS").size();
    for (int index = 0; index <= kCount; ++index)
    {
        layout.places[position++] = Place::space;
        const auto nameEnd = chunk.find('=', position);
        const auto valueStart = nameEnd + 2;
        const auto valueEnd = chunk.find('"', valueStart);
        const bool isPreset = index == kCount;
        for (auto i = position; i < nameEnd; ++i)
        {
            layout.places[i] = isPreset ? Place::presetName : Place::name;
            layout.attribute[i] = index;
        }
        for (auto i = valueStart; i < valueEnd; ++i)
        {
            layout.places[i] = isPreset ? Place::presetValue : Place::value;
            layout.attribute[i] = index;
        }
        position = valueEnd + 1;
    }
    return layout;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isXmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The stored length, read as JUCE reads it (signed), once the byte at the position is replaced.
juce::int32 storedLengthWith(const std::string& chunk, size_t position, char replacement)
{
    auto header = chunk.substr(0, 8);
    header[position] = replacement;
    juce::uint32 length = 0;
    for (int i = 7; i >= 4; --i)
        length = (length << 8) | (juce::uint8)header[(size_t)i];
    return (juce::int32)length;
}

// Whether the replacement must leave a valid settings element. A stored length is taken when it
// covers the whole text: the text then ends at the zero byte.
bool mustBeAccepted(Place place, char original, char replacement, juce::int32 storedLength, size_t textLength)
{
    switch (place)
    {
    case Place::length:
        return storedLength >= (juce::int32)textLength;
    case Place::value:
        return isDigit(original) && isDigit(replacement);
    case Place::name:
        return isLetter(original) && isLetter(replacement);
    case Place::space:
        return isXmlSpace(replacement);
    case Place::presetValue:
        return isLetter(replacement);
    case Place::terminator:
        return true;
    default:
        return false;
    }
}

TEST(StateChunk, EverySingleByteCorruptionIsRejectedOrConsistent)
{
    const auto chunk = chunkAround(afterText());
    const auto layout = layoutOf(chunk);
    PreparedProcessor target;

    for (size_t position = 0; position < chunk.size(); ++position)
    {
        const auto place = layout.places[position];
        const int index = layout.attribute[position];

        for (int byte = 0; byte < 256; ++byte)
        {
            const char replacement = (char)byte;
            if (replacement == chunk[position])
                continue;

            auto corrupted = chunk;
            corrupted[position] = replacement;
            setValues(target.processor, kBefore);
            target.processor.currentPresetName = "Before";
            restore(target.processor, corrupted);

            const auto now = snapshotOf(target.processor);
            const auto where = "byte " + std::to_string(position) + " set to " + std::to_string(byte);
            ASSERT_FALSE(now.suspended) << where;

            const auto storedLength =
                place == Place::length ? storedLengthWith(chunk, position, replacement) : 0;
            const bool accept =
                mustBeAccepted(place, chunk[position], replacement, storedLength, chunk.size() - 9);
            const bool unchanged = sameValues(now.values, kBefore) && now.presetName == "Before";
            if (unchanged)
            {
                EXPECT_FALSE(accept) << where;
                continue;
            }
            if (place == Place::length)
            {
                EXPECT_TRUE(accept) << where << " was accepted with a stored length of " << storedLength;
            }

            // Outside ASCII a single byte is never valid UTF-8, and a NUL is no XML character.
            EXPECT_TRUE(place == Place::terminator || place == Place::length || (byte != 0 && byte < 0x80))
                << where;

            auto expected = kAfter;
            juce::String expectedName = "After";
            switch (place)
            {
            case Place::name:
                expected[(size_t)index] = kBefore[(size_t)index];
                break;
            case Place::value:
                EXPECT_TRUE(std::isfinite(now.values[(size_t)index])) << where;
                expected[(size_t)index] = now.values[(size_t)index];
                break;
            case Place::presetName:
                expectedName = "";
                break;
            case Place::presetValue:
                expectedName = now.presetName;
                break;
            case Place::space:
            case Place::length:
            case Place::terminator:
                break;
            case Place::header:
            case Place::markup:
                ADD_FAILURE() << where << " was accepted";
                break;
            }
            EXPECT_TRUE(sameValues(now.values, expected)) << where;
            EXPECT_EQ(now.presetName, expectedName) << where;
        }
    }
}
} // namespace
