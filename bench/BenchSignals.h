#pragma once

#include <benchmark/benchmark.h>
#include <juce_audio_basics/juce_audio_basics.h>

#include <cmath>
#include <random>

namespace bench
{
// The mix of one programme: swelling tones plus noise, different per channel.
struct ProgrammeShape
{
    unsigned seed;
    float noiseSigma;
    double lowAmplitude; // of the 110 Hz tone
    double topHz;        // the highest tone, at 0.1
};

// Peaks near full scale for the shapes used here; the noise is drawn left, then right, per frame.
inline void fillProgramme(float* left, float* right, int frames, double rate, const ProgrammeShape& shape)
{
    std::mt19937 rng(shape.seed);
    std::normal_distribution<float> noise(0.0f, shape.noiseSigma);
    const double twoPi = 6.283185307179586;
    for (int i = 0; i < frames; ++i)
    {
        const double t = i / rate;
        const double swell = 0.55 + 0.45 * std::sin(twoPi * 1.5 * t);
        const double tones = shape.lowAmplitude * std::sin(twoPi * 110.0 * t) +
                             0.2 * std::sin(twoPi * 440.0 * t) + 0.1 * std::sin(twoPi * shape.topHz * t);
        left[i] = (float)(swell * tones) + noise(rng);
        right[i] = (float)(swell * (0.8 * tones + 0.1 * std::sin(twoPi * 660.0 * t))) + noise(rng);
    }
}

// Copies the next block of a stereo source into io, wrapping to the start before it would run out.
inline void copyNextBlock(juce::AudioSampleBuffer& io, const juce::AudioSampleBuffer& source, int& position)
{
    const int blockSize = io.getNumSamples();
    if (position + blockSize > source.getNumSamples())
        position = 0;
    io.copyFrom(0, 0, source, 0, position, blockSize);
    io.copyFrom(1, 0, source, 1, position, blockSize);
    position += blockSize;
}

// Inverted frame rate: seconds per stereo frame, printed with an SI prefix (e.g. 75ns).
inline benchmark::Counter timePerFrame(int framesPerIteration)
{
    return benchmark::Counter(static_cast<double>(framesPerIteration),
                              benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Keeps the optimiser from dropping the writes of an iteration.
inline void keep(const float* left, const float* right)
{
    benchmark::DoNotOptimize(left);
    benchmark::DoNotOptimize(right);
    benchmark::ClobberMemory();
}
} // namespace bench
