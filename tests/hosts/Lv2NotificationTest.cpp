#include "HostedParameters.h"
#include "PluginBinaries.h"
#include "RawLv2Host.h"

#include <gtest/gtest.h>

#include <array>

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter();

// An LV2 host learns the plug-in's parameter values only from what the plug-in sends on its
// notification port: after instantiation and after a restore it must send all twelve, once.

namespace
{
std::map<juce::String, float> byUri(const std::array<float, 12>& values)
{
    std::map<juce::String, float> result;
    for (int i = 0; i < 12; ++i)
        result[PluginBinaries::lv2UriFromManifest() + ":" +
               HostedParameters::names()[i].removeCharacters(" ")] = values[(size_t)i];
    return result;
}

std::string describe(const std::map<juce::String, float>& values)
{
    juce::String text;
    for (const auto& [uri, value] : values)
        text << uri.fromLastOccurrenceOf(":", false, false) << " " << value << "; ";
    return text.isEmpty() ? "nothing" : text.toStdString();
}
} // namespace

TEST(Lv2Notifications, AFreshInstanceSendsItsValuesWithItsFirstBlockOnly)
{
    RawLv2Host host(PluginBinaries::location(PluginFormat::lv2));
    ASSERT_TRUE(host.error().isEmpty()) << host.error();

    const auto defaults = byUri({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1});
    const auto first = host.runBlock();
    EXPECT_EQ(first, defaults) << "sent: " << describe(first);
    const auto second = host.runBlock();
    EXPECT_TRUE(second.empty()) << "sent again: " << describe(second);
}

TEST(Lv2Notifications, ARestoreSendsTheRestoredValuesWithTheNextBlock)
{
    const std::array<float, 12> restored{0.1f,  0.25f, 0.9f, 0.5f, 1.0f, 0.35f,
                                         0.45f, 0.05f, 0.6f, 0.7f, 0.8f, 0.0f};
    std::unique_ptr<juce::AudioProcessor> source(createPluginFilter());
    const auto parameters = HostedParameters::inIndexOrder(*source);
    ASSERT_EQ(parameters.size(), 12);
    for (int i = 0; i < 12; ++i)
        parameters[i]->setValue(restored[(size_t)i]);
    juce::MemoryBlock state;
    source->getStateInformation(state);

    RawLv2Host host(PluginBinaries::location(PluginFormat::lv2));
    ASSERT_TRUE(host.error().isEmpty()) << host.error();
    host.runBlock();

    ASSERT_TRUE(host.restore(state));
    const auto sent = host.runBlock();
    EXPECT_EQ(sent, byUri(restored)) << "sent: " << describe(sent);
    const auto after = host.runBlock();
    EXPECT_TRUE(after.empty()) << "sent again: " << describe(after);
}
