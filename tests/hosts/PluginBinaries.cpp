#include "PluginBinaries.h"

#include <regex>
#include <string>

namespace
{
// A bundle outside this build tree that declares the same URI: lilv keeps the bundle it loaded
// first, and JUCE loads the default folders before ours, so such a copy would be tested instead.
juce::File installedCopyOf(const juce::String& uri, const juce::FileSearchPath& folders)
{
    const auto ours = PluginBinaries::location(PluginFormat::lv2);

    for (int i = 0; i < folders.getNumPaths(); ++i)
    {
        for (const auto& bundle : folders[i].findChildFiles(juce::File::findDirectories, false, "*.lv2"))
        {
            if (bundle == ours)
                continue;

            if (bundle.getChildFile("manifest.ttl").loadFileAsString().contains("<" + uri + ">"))
                return bundle;
        }
    }

    return {};
}
} // namespace

void PrintTo(PluginFormat format, std::ostream* os)
{
    *os << PluginBinaries::formatName(format);
}

juce::String PluginBinaries::formatName(PluginFormat format)
{
    switch (format)
    {
    case PluginFormat::vst2:
        return "VST2";
    case PluginFormat::vst3:
        return "VST3";
    case PluginFormat::lv2:
        return "LV2";
    }

    return {};
}

juce::File PluginBinaries::location(PluginFormat format)
{
    switch (format)
    {
    case PluginFormat::vst2:
        return juce::File(VORN_VST2_BINARY);
    case PluginFormat::vst3:
        return juce::File(VORN_VST3_BUNDLE);
    case PluginFormat::lv2:
        return juce::File(VORN_LV2_BUNDLE);
    }

    return {};
}

juce::String PluginBinaries::lv2UriFromManifest()
{
    const auto manifest = location(PluginFormat::lv2).getChildFile("manifest.ttl").loadFileAsString();
    const std::string text = manifest.toStdString();
    const std::regex pluginSubject(R"(<([^>]+)>\s+a\s+lv2:Plugin\b)");
    std::smatch match;

    if (!std::regex_search(text, match, pluginSubject))
        return {};

    return juce::String(match[1].str());
}

bool PluginBinaries::describe(PluginFormat format, juce::PluginDescription& description, juce::String& error)
{
    if (format == PluginFormat::lv2)
        return findLv2Plugin(description, error);

    const auto file = location(format);

    if (!file.exists())
    {
        error = "missing " + file.getFullPathName();
        return false;
    }

    juce::OwnedArray<juce::PluginDescription> found;
    formatFor(format).findAllTypesForFile(found, file.getFullPathName());

    if (found.size() != 1)
    {
        error = juce::String(found.size()) + " plug-ins found in " + file.getFullPathName();
        return false;
    }

    description = *found[0];
    return true;
}

bool PluginBinaries::findLv2Plugin(juce::PluginDescription& description, juce::String& error)
{
    const auto bundle = location(PluginFormat::lv2);
    const auto uri = lv2UriFromManifest();

    if (uri.isEmpty())
    {
        error = "no plug-in URI in " + bundle.getChildFile("manifest.ttl").getFullPathName();
        return false;
    }

    const auto copy = installedCopyOf(uri, lv2Format.getDefaultLocationsToSearch());

    if (copy != juce::File())
    {
        error = "another bundle with " + uri + " is installed at " + copy.getFullPathName();
        return false;
    }

    if (!lv2FolderLoaded)
    {
        lv2Format.searchPathsForPlugins(juce::FileSearchPath(bundle.getParentDirectory().getFullPathName()),
                                        false, false);
        lv2FolderLoaded = true;
    }

    juce::OwnedArray<juce::PluginDescription> found;
    lv2Format.findAllTypesForFile(found, uri);

    if (found.size() != 1)
    {
        error = "the LV2 host does not know " + uri;
        return false;
    }

    description = *found[0];
    return true;
}

std::unique_ptr<juce::AudioPluginInstance> PluginBinaries::instantiate(PluginFormat format, double sampleRate,
                                                                       int blockSize, juce::String& error)
{
    juce::PluginDescription description;

    if (!describe(format, description, error))
        return {};

    return formatFor(format).createInstanceFromDescription(description, sampleRate, blockSize, error);
}

juce::AudioPluginFormat& PluginBinaries::formatFor(PluginFormat format)
{
    switch (format)
    {
    case PluginFormat::vst2:
        return vst2Format;
    case PluginFormat::vst3:
        return vst3Format;
    case PluginFormat::lv2:
        break;
    }

    return lv2Format;
}
