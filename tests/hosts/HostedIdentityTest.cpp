#include "HostedParameters.h"
#include "PluginBinaries.h"

#include <gtest/gtest.h>

#include <cstddef>

// As in JUCE's host code; the folder's headers give the speaker arrangement its eight entries.
namespace Vst2
{
struct AEffect;
#include <pluginterfaces/vst2.x/aeffectx.h>
} // namespace Vst2

static_assert(sizeof(Vst2::VstSpeakerArrangement) ==
                  offsetof(Vst2::VstSpeakerArrangement, speakers) + 8 * sizeof(Vst2::VstSpeakerProperties),
              "JUCE's 2.4 host code takes a speaker arrangement to hold eight speakers");

namespace
{
// Every parameter starts at 0 but "Master Bypass", whose 1 means processing on.
float defaultOf(int index)
{
    return index == 11 ? 1.0f : 0.0f;
}

class HostedIdentity : public testing::TestWithParam<PluginFormat>
{
protected:
    void SetUp() override
    {
        juce::String error;
        ASSERT_TRUE(binaries.describe(GetParam(), description, error)) << error;
        instance = binaries.instantiate(GetParam(), 44100.0, 512, error);
        ASSERT_NE(instance, nullptr) << error;
    }

    void TearDown() override { instance.reset(); }

    PluginBinaries binaries;
    juce::PluginDescription description;
    std::unique_ptr<juce::AudioPluginInstance> instance;
};

TEST_P(HostedIdentity, DescribesAStereoEffectByMordax)
{
    EXPECT_EQ(description.manufacturerName, "Mordax");
    EXPECT_FALSE(description.isInstrument);
    EXPECT_EQ(description.numInputChannels, 2);
    EXPECT_EQ(description.numOutputChannels, 2);
    EXPECT_EQ(instance->getTotalNumInputChannels(), 2);
    EXPECT_EQ(instance->getTotalNumOutputChannels(), 2);
    EXPECT_FALSE(instance->acceptsMidi());
    EXPECT_FALSE(instance->producesMidi());
}

TEST_P(HostedIdentity, IsNamedVorn)
{
    // JUCE's 2.4 host names a plug-in after its file and keeps the effect's own name apart.
    const auto name = GetParam() == PluginFormat::vst2 ? description.descriptiveName : description.name;
    EXPECT_EQ(name, "VORN");
}

TEST_P(HostedIdentity, ListsTheTwelveParametersInIndexOrder)
{
    juce::StringArray listed;

    for (auto* parameter : HostedParameters::listed(*instance))
        listed.add(parameter->getName(1024));

    auto expected = HostedParameters::names();

    // LV2 parameters have no index: JUCE's host lists them in the order of their URIs.
    if (GetParam() == PluginFormat::lv2)
    {
        listed.sort(false);
        expected.sort(false);
    }

    EXPECT_EQ(listed.joinIntoString(", "), expected.joinIntoString(", "));
}

TEST_P(HostedIdentity, StartsAtTheDefaults)
{
    const auto parameters = HostedParameters::inIndexOrder(*instance);
    ASSERT_EQ(parameters.size(), 12);

    for (int i = 0; i < parameters.size(); ++i)
    {
        EXPECT_EQ(parameters[i]->getValue(), defaultOf(i)) << HostedParameters::names()[i];

        // The 2.4 interface has no way to report a default; JUCE's host reads every one as 0.
        if (GetParam() != PluginFormat::vst2)
        {
            EXPECT_EQ(parameters[i]->getDefaultValue(), defaultOf(i)) << HostedParameters::names()[i];
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, HostedIdentity,
                         testing::Values(PluginFormat::vst2, PluginFormat::vst3, PluginFormat::lv2),
                         [](const testing::TestParamInfo<PluginFormat>& info)
                         { return PluginBinaries::formatName(info.param).toStdString(); });

Vst2::AEffect* effectOf(juce::AudioPluginInstance& instance)
{
    struct Visitor : juce::ExtensionsVisitor
    {
        void visitVSTClient(const VSTClient& client) override { effect = client.getAEffectPtr(); }
        void* effect = nullptr;
    } visitor;

    instance.getExtensions(visitor);
    return static_cast<Vst2::AEffect*>(visitor.effect);
}

juce::String dispatchForText(Vst2::AEffect& effect, int opcode)
{
    char text[256] = {};
    effect.dispatcher(&effect, opcode, 0, 0, text, 0.0f);
    return juce::String::fromUTF8(text);
}

TEST(HostedVst2Effect, AnswersWithItsIdentity)
{
    PluginBinaries binaries;
    juce::String error;
    auto instance = binaries.instantiate(PluginFormat::vst2, 44100.0, 512, error);
    ASSERT_NE(instance, nullptr) << error;

    auto* effect = effectOf(*instance);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->magic, Vst2::kEffectMagic);
    EXPECT_EQ(effect->uniqueID, (Vst2::VstInt32)juce::ByteOrder::bigEndianInt("kTzQ"));
    EXPECT_EQ(effect->version, 101);
    EXPECT_EQ(effect->numPrograms, 1);
    EXPECT_EQ(effect->numParams, 12);
    EXPECT_EQ(effect->flags & Vst2::effFlagsIsSynth, 0);
    // The state travels as one chunk.
    EXPECT_NE(effect->flags & Vst2::effFlagsProgramChunks, 0);

    EXPECT_EQ(dispatchForText(*effect, Vst2::effGetEffectName), "VORN");
    EXPECT_EQ(dispatchForText(*effect, Vst2::effGetProductString), "VORN");
    EXPECT_EQ(dispatchForText(*effect, Vst2::effGetVendorString), "Mordax");
    // JUCE answers the vendor version with the product version 1.0.1 in its own encoding; the
    // effect's version field above carries 101.
    EXPECT_EQ(effect->dispatcher(effect, Vst2::effGetVendorVersion, 0, 0, nullptr, 0.0f), 0x010001);
    EXPECT_EQ(effect->dispatcher(effect, Vst2::effGetPlugCategory, 0, 0, nullptr, 0.0f),
              Vst2::kPlugCategEffect);
}

TEST(HostedLv2Bundle, DeclaresTheUriTheProcessorIsBuiltWith)
{
    EXPECT_EQ(PluginBinaries::lv2UriFromManifest(), JucePlugin_LV2URI);
}
} // namespace
