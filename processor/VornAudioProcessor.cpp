#include "VornAudioProcessor.h"
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter() { return new VornAudioProcessor(); }
