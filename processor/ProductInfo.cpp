#include "ProductInfo.h"

namespace
{
// A level whose link is followed continues the path from the link's target.
juce::File followLink(const juce::File& level)
{
    return level.isSymbolicLink() ? level.getLinkedTarget() : level;
}

void createIfMissing(const juce::File& level)
{
    if (!level.isDirectory())
        level.createDirectory();
}
} // namespace

ProductInfo::ProductInfo()
    : productName(juce::String("VORN").removeCharacters(" ")),
      companyName(juce::String("Mordax").removeCharacters(" "))
{
}

juce::String ProductInfo::getPresetDirectory() const
{
    const auto home = juce::File::getSpecialLocation(juce::File::userHomeDirectory);
    createIfMissing(home);

    const auto music = followLink(home.getChildFile("Music"));
    createIfMissing(music);

    const auto apps = followLink(music.getChildFile("Audio Music Apps"));
    createIfMissing(apps);

    const juce::File company(apps.getFullPathName() + "/" + companyName);
    createIfMissing(company);

    const auto presets = followLink(juce::File(company.getFullPathName() + "/Presets"));
    createIfMissing(presets);

    const juce::File product(presets.getFullPathName() + "/" + productName);
    createIfMissing(product);

    return product.isDirectory() ? product.getFullPathName() : juce::String();
}

juce::String ProductInfo::getPresetFileExtension()
{
    return ".atp";
}
