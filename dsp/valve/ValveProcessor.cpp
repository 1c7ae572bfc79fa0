#include "ValveProcessor.h"

ValveProcessor::ValveProcessor() : workBuffer(2, 128), settings(), inputGain(1.0f), stage(), dspUtils()
{
    // juce::Array::set appends past the end, so these two calls fill settings as {drive, bias}.
    setDrive(0.0f);
    setBias(0.0f);
    setMode(1);

    stage.activate();
    stage.setSampleRate(44100.0);
    stage.setBlockSize(32);
    stage.setNumSamples(32.0);
    stage.init();
}

ValveProcessor::~ValveProcessor()
{
}

int ValveProcessor::driveToStageValue(float drive)
{
    return static_cast<int>(dspUtils.mapRange(0.0f, 1.0f, 80.0f, 100.0f, drive));
}

void ValveProcessor::setDrive(float drive)
{
    settings.set(0, drive);
    stage.setParameter(3, driveToStageValue(drive));
}

void ValveProcessor::setBias(float bias)
{
    settings.set(1, bias);
    stage.setParameter(10, static_cast<int>(bias));
}

void ValveProcessor::setMode(int mode)
{
    if (mode == 0)
        stage.loadPreset(5);
    else if (mode == 1)
        stage.loadPreset(6);

    // A preset row never overrides the current bias and drive.
    stage.setParameter(10, static_cast<int>(settings[1]));
    stage.setParameter(3, driveToStageValue(settings[0]));
}

void ValveProcessor::prepare(double sampleRate, double blockSize)
{
    const int size = static_cast<int>(blockSize);
    stage.activate();
    stage.setSampleRate(sampleRate);
    stage.setBlockSize(size);
    stage.setNumSamples(blockSize);
    stage.init();
    workBuffer.setSize(2, size);
}

void ValveProcessor::process(juce::AudioSampleBuffer& io)
{
    fillWorkBuffer(io);
    stage.processBlock(workBuffer);

    const float drive = settings[0];
    dspUtils.blendBuffers(io, workBuffer, 1.0f - drive, drive);
}

void ValveProcessor::processInPasses(juce::AudioSampleBuffer& io)
{
    fillWorkBuffer(io);
    stage.processBlockInPasses(workBuffer);

    const float drive = settings[0];
    dspUtils.blendBuffers(io, workBuffer, 1.0f - drive, drive);
}

void ValveProcessor::fillWorkBuffer(const juce::AudioSampleBuffer& io)
{
    const int n = io.getNumSamples();
    // Keeps the prepared allocation, so blocks up to the prepared size never allocate.
    if (workBuffer.getNumSamples() != n)
        workBuffer.setSize(2, n, false, false, true);

    for (int channel = 0; channel < 2; ++channel)
    {
        float* work = workBuffer.getWritePointer(channel);
        juce::FloatVectorOperations::copy(work, io.getReadPointer(channel), n);

        if (inputGain == 0.0f)
            juce::FloatVectorOperations::clear(work, n);
        else if (inputGain != 1.0f)
            juce::FloatVectorOperations::multiply(work, inputGain, n);
    }
}
