// VORN's processor in-process against Debian's LV2 plug-ins hosted through JUCE's LV2 host, at
// 48 kHz, stereo, blocks of 512: the whole chain against Calf Saturator and Calf Compressor
// together, and the compressor alone against x42's darc and LSP's Compressor Stereo. The subjects
// take turns within every round, in a rotating order, so that clock changes and other load on the
// machine fall on all of them alike.
//
//   vorn_peer_bench [rounds]      (default 30)

#include "BenchSignals.h"
#include "VornAudioProcessor.h"
#include "simd/VectorPasses.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_events/juce_events.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlockSize = 512;
constexpr int kBlocksPerRound = 94; // about one second
constexpr int kWarmUpRounds = 3;
constexpr int kDefaultRounds = 30;

struct Peer
{
    const char* uri;
    const char* package;
};

const Peer kCalfSaturator{"http://calf.sourceforge.net/plugins/Saturator", "calf-plugins"};
const Peer kCalfCompressor{"http://calf.sourceforge.net/plugins/Compressor", "calf-plugins"};
const Peer kDarc{"http://gareus.org/oss/lv2/darc#stereo", "x42-plugins"};
const Peer kLspCompressor{"http://lsp-plug.in/plugins/lv2/compressor_stereo", "lsp-plugins-lv2"};

// The goals: the whole chain against the two Calf plug-ins together, the compressor alone against
// each of the two compressors.
constexpr double kChainGoal = 0.25;
constexpr double kLspGoal = 1.0;
constexpr double kDarcGoal = 2.0;

struct Subject
{
    Subject(const char* subjectName, juce::AudioProcessor* subjectProcessor)
        : name(subjectName), processor(subjectProcessor)
    {
    }

    const char* name;
    juce::AudioProcessor* processor;
    juce::AudioSampleBuffer io{2, kBlockSize};
    int position = 0;
    std::vector<double> nsPerFrame;
};

std::string cpuModel()
{
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);)
        if (line.rfind("model name", 0) == 0)
            return line.substr(line.find(':') + 2);
    return "unknown";
}

using Settings = std::vector<std::pair<const char*, float>>;

// The compressor working on the loud parts, fully wet; "Output" 0.8 is near 0 dB.
const Settings kWorkingCompressor{
    {"Comp Blend", 1.0f}, {"Comp Ratio", 0.5f}, {"Comp Threshold", 0.6f}, {"Output", 0.8f}};

// A driven valve path, fully wet, before the working compressor.
Settings everyStageWorking()
{
    Settings settings{
        {"Valve Drive", 0.8f}, {"Valve Bias", 0.5f}, {"Valve Input", 1.0f}, {"Valve Blend", 1.0f}};
    settings.insert(settings.end(), kWorkingCompressor.begin(), kWorkingCompressor.end());
    return settings;
}

// The working compressor after a dry valve stage, as the processor benchmarks have it.
Settings compressorAlone()
{
    auto settings = kWorkingCompressor;
    settings.push_back({"Valve Blend", 0.0f});
    return settings;
}

bool setParameters(VornAudioProcessor& vorn, const Settings& values)
{
    for (const auto& [name, value] : values)
    {
        auto& parameters = vorn.getParameters();
        const auto it = std::find_if(parameters.begin(), parameters.end(),
                                     [name = name](auto* p) { return p->getName(64) == name; });
        if (it == parameters.end())
        {
            std::fprintf(stderr, "VORN has no parameter \"%s\"\n", name);
            return false;
        }
        (*it)->setValueNotifyingHost(value);
    }
    return true;
}

// Sets a hosted LV2 control port to a value in its own units. JUCE's LV2 host maps the port's range
// linearly onto 0..1; the value read back through getText catches a range that differs from ours.
bool setPortValue(juce::AudioPluginInstance& plugin, const juce::String& symbol, float minimum, float maximum,
                  float value, juce::String& readBacks)
{
    for (auto* parameter : plugin.getParameters())
    {
        auto* hosted = dynamic_cast<juce::AudioPluginInstance::HostedParameter*>(parameter);
        if (hosted == nullptr || hosted->getParameterID() != "sym:" + symbol)
            continue;

        hosted->setValueNotifyingHost((value - minimum) / (maximum - minimum));
        const float readBack = hosted->getText(hosted->getValue(), 32).getFloatValue();
        if (std::abs(readBack - value) > 1e-3f * std::abs(value))
        {
            std::fprintf(stderr, "%s: \"%s\" reads %g after setting %g\n", plugin.getName().toRawUTF8(),
                         symbol.toRawUTF8(), (double)readBack, (double)value);
            return false;
        }
        readBacks << " " << symbol << " " << juce::String(readBack);
        return true;
    }
    std::fprintf(stderr, "%s has no control port \"%s\"\n", plugin.getName().toRawUTF8(), symbol.toRawUTF8());
    return false;
}

std::unique_ptr<juce::AudioPluginInstance> loadLv2(juce::LV2PluginFormat& format, const Peer& peer)
{
    const auto* uri = peer.uri;
    juce::OwnedArray<juce::PluginDescription> found;
    format.findAllTypesForFile(found, uri);
    if (found.isEmpty())
    {
        std::fprintf(stderr, "%s is not installed (Debian package %s); LV2 folders searched: %s\n", uri,
                     peer.package, format.getDefaultLocationsToSearch().toString().toRawUTF8());
        return {};
    }

    juce::String error;
    auto plugin = format.createInstanceFromDescription(*found[0], kRate, kBlockSize, error);
    if (plugin == nullptr)
    {
        std::fprintf(stderr, "%s could not be loaded: %s\n", uri, error.toRawUTF8());
        return {};
    }
    if (plugin->getTotalNumInputChannels() != 2 || plugin->getTotalNumOutputChannels() != 2)
    {
        std::fprintf(stderr, "%s is not stereo in, stereo out\n", uri);
        return {};
    }
    plugin->setRateAndBufferSizeDetails(kRate, kBlockSize);
    plugin->prepareToPlay(kRate, kBlockSize);
    return plugin;
}

std::unique_ptr<VornAudioProcessor> preparedVorn(const Settings& settings = {})
{
    auto vorn = std::make_unique<VornAudioProcessor>();
    if (!setParameters(*vorn, settings))
        return {};
    vorn->setPlayConfigDetails(2, 2, kRate, kBlockSize);
    vorn->prepareToPlay(kRate, kBlockSize);
    return vorn;
}

// One second of the subject's own stream of the programme; returns the time per stereo frame. The
// copy into the block is timed too, the same for every subject and small beside the processing.
double runRound(Subject& subject, const juce::AudioSampleBuffer& source, juce::MidiBuffer& midi)
{
    const auto start = std::chrono::steady_clock::now();
    for (int b = 0; b < kBlocksPerRound; ++b)
    {
        bench::copyNextBlock(subject.io, source, subject.position);
        subject.processor->processBlock(subject.io, midi);
        bench::keep(subject.io.getReadPointer(0), subject.io.getReadPointer(1));
    }
    const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count() / (kBlocksPerRound * kBlockSize);
}

double rmsDbfs(const juce::AudioSampleBuffer& buffer)
{
    double sum = 0.0;
    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            sum += (double)buffer.getSample(channel, i) * buffer.getSample(channel, i);
    return 10.0 * std::log10(sum / ((double)buffer.getNumChannels() * buffer.getNumSamples()));
}

// One more second of output, untimed, as a check that the subject is working and stays finite.
double outputLevel(Subject& subject, const juce::AudioSampleBuffer& source, juce::MidiBuffer& midi)
{
    juce::AudioSampleBuffer output(2, kBlocksPerRound * kBlockSize);
    for (int b = 0; b < kBlocksPerRound; ++b)
    {
        bench::copyNextBlock(subject.io, source, subject.position);
        subject.processor->processBlock(subject.io, midi);
        for (int channel = 0; channel < 2; ++channel)
            output.copyFrom(channel, b * kBlockSize, subject.io, channel, 0, kBlockSize);
    }
    return rmsDbfs(output);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}
} // namespace

int main(int argc, char** argv)
{
    int rounds = kDefaultRounds;
    if (argc > 2 || (argc == 2 && (rounds = std::atoi(argv[1])) < 1))
    {
        std::fprintf(stderr, "usage: %s [rounds]   (rounds >= 1, default %d)\n", argv[0], kDefaultRounds);
        return 2;
    }

    // The LV2 host posts to the message thread and runs timers; no display is opened for processing.
    const juce::ScopedJuceInitialiser_GUI juceInitialiser;
    juce::LV2PluginFormat lv2;

    auto saturator = loadLv2(lv2, kCalfSaturator);
    auto compressor = loadLv2(lv2, kCalfCompressor);
    auto darc = loadLv2(lv2, kDarc);
    auto lsp = loadLv2(lv2, kLspCompressor);
    if (saturator == nullptr || compressor == nullptr || darc == nullptr || lsp == nullptr)
        return 1;
    // Ranges from calf.lv2/Compressor.ttl. Threshold is linear amplitude: 0.1 is -20 dBFS.
    juce::String compressorSettings;
    if (!setPortValue(*compressor, "threshold", 0.000976563f, 1.0f, 0.1f, compressorSettings) ||
        !setPortValue(*compressor, "ratio", 1.0f, 20.0f, 4.0f, compressorSettings) ||
        !setPortValue(*compressor, "attack", 0.01f, 2000.0f, 10.0f, compressorSettings) ||
        !setPortValue(*compressor, "release", 0.01f, 2000.0f, 100.0f, compressorSettings))
        return 1;

    auto vornWorking = preparedVorn(everyStageWorking());
    auto vornDefaults = preparedVorn();
    auto vornCompressor = preparedVorn(compressorAlone());
    if (vornWorking == nullptr || vornDefaults == nullptr || vornCompressor == nullptr)
        return 1;

    juce::AudioSampleBuffer source(2, static_cast<int>(kRate));
    bench::fillProgramme(source.getWritePointer(0), source.getWritePointer(1), source.getNumSamples(), kRate,
                         {4321, 0.06f, 0.4, 3100.0});

    enum
    {
        vornChain,
        vornAtDefaults,
        vornCompressorAlone,
        calfSaturator,
        calfCompressor,
        x42Darc,
        lspCompressor
    };
    Subject subjects[] = {{"VORN, every stage working", vornWorking.get()},
                          {"VORN, defaults", vornDefaults.get()},
                          {"VORN, compressor alone", vornCompressor.get()},
                          {"Calf Saturator, defaults", saturator.get()},
                          {"Calf Compressor, -20 dBFS 4:1 10/100 ms", compressor.get()},
                          {"x42 darc stereo, defaults", darc.get()},
                          {"LSP Compressor Stereo, defaults", lsp.get()}};
    constexpr int numSubjects = static_cast<int>(std::size(subjects));
    juce::MidiBuffer midi;

    for (int round = -kWarmUpRounds; round < rounds; ++round)
    {
        for (int turn = 0; turn < numSubjects; ++turn)
        {
            auto& subject = subjects[(turn + std::max(round, 0)) % numSubjects];
            const double ns = runRound(subject, source, midi);
            if (round >= 0)
                subject.nsPerFrame.push_back(ns);
        }
    }

    std::printf("CPU: %s; VORN's vector passes: %s\n", cpuModel().c_str(), vector_passes::passes().name);
    std::printf("48 kHz, stereo, blocks of %d, %d rounds of %d blocks after %d warm-up rounds\n", kBlockSize,
                rounds, kBlocksPerRound, kWarmUpRounds);
    std::printf("Calf Compressor as read back from the host:%s\n\n", compressorSettings.toRawUTF8());
    std::printf("%-40s %12s %12s %14s\n", "ns per stereo frame", "median", "min", "out RMS dBFS");
    std::printf("%-40s %12s %12s %14.1f\n", "(programme in)", "", "", rmsDbfs(source));
    double medians[numSubjects];
    for (int s = 0; s < numSubjects; ++s)
    {
        auto& subject = subjects[s];
        medians[s] = median(subject.nsPerFrame);
        const double level = outputLevel(subject, source, midi);
        if (!std::isfinite(level))
        {
            std::fprintf(stderr, "%s: output is not finite\n", subject.name);
            return 1;
        }
        std::printf("%-40s %12.1f %12.1f %14.1f\n", subject.name, medians[s],
                    *std::min_element(subject.nsPerFrame.begin(), subject.nsPerFrame.end()), level);
    }

    // Ratios of medians, each against its goal.
    const auto ratio = [](const char* what, double value, double goal)
    { std::printf("%-58s %6.2f   goal <= %.2f: %s\n", what, value, goal, value <= goal ? "met" : "MISSED"); };
    std::printf("\n");
    ratio("VORN every stage / (Calf Saturator + Calf Compressor)",
          medians[vornChain] / (medians[calfSaturator] + medians[calfCompressor]), kChainGoal);
    ratio("VORN compressor alone / LSP Compressor Stereo",
          medians[vornCompressorAlone] / medians[lspCompressor], kLspGoal);
    ratio("VORN compressor alone / x42 darc", medians[vornCompressorAlone] / medians[x42Darc], kDarcGoal);
    return 0;
}
