// Draws the editor's images and writes them as PNG files.
//
//   vorn_artwork <folder>                 writes the 24 images into the folder
//   vorn_artwork --preview <file> [knob 0..1] [meter 0..1] [about]
//                                         writes the assembled editor as one picture

#include <iostream>

#include <juce_graphics/juce_graphics.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include "ArtworkSet.h"
#include "PngWriter.h"

namespace
{
int fail(const juce::String& message)
{
    std::cerr << "vorn_artwork: " << message << std::endl;
    return 1;
}
} // namespace

int main(int argc, char* argv[])
{
    const juce::ScopedJuceInitialiser_GUI juce;
    juce::StringArray args;
    for (int i = 1; i < argc; ++i)
        args.add(argv[i]);

    if (args.isEmpty())
        return fail("usage: vorn_artwork <folder> | --preview <file> [knob] [meter] [about]");

    artwork::ArtworkSet set;
    juce::String error;
    if (!set.render(error))
        return fail(error);

    if (args[0] == "--preview")
    {
        if (args.size() < 2)
            return fail("--preview needs a file name");
        const double knob = args.size() > 2 ? args[2].getDoubleValue() : 0.0;
        const double meter = args.size() > 3 ? args[3].getDoubleValue() : 0.0;
        const juce::File file = juce::File::getCurrentWorkingDirectory().getChildFile(args[1]);
        return artwork::PngWriter::write(set.composePreview(knob, meter, args.contains("about")), file)
                   ? 0
                   : fail("cannot write " + args[1]);
    }

    const juce::File folder = juce::File::getCurrentWorkingDirectory().getChildFile(args[0]);
    if (!folder.createDirectory())
        return fail("cannot create " + folder.getFullPathName());
    for (const auto& entry : set.entries())
        if (!artwork::PngWriter::write(entry.image, folder.getChildFile(entry.fileName)))
            return fail("cannot write " + entry.fileName);
    return 0;
}
