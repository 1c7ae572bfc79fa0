#pragma once

// Fixtures for tests of the whole editor: a processor with its editor, a preset folder of the
// test's own, a stand-in web browser, and actions run while a synchronous modal loop waits.

#include "GuiTest.h"
#include "VornAudioProcessor.h"
#include "VornAudioProcessorEditor.h"

#include <functional>
#include <memory>
#include <vector>

namespace editortest
{
// Points HOME at a fresh temporary folder for as long as it lives.
class TemporaryHome
{
public:
    TemporaryHome();
    ~TemporaryHome();

    juce::File home() const { return folder.getFile(); }
    juce::File presetFolder() const;

private:
    juce::TemporaryFile folder;
    juce::String previousHome;
};

// Puts an xdg-open first on PATH that records the address it is given instead of starting a browser.
class StandInBrowser
{
public:
    StandInBrowser();
    ~StandInBrowser();

    juce::StringArray openedAddresses() const;

private:
    juce::TemporaryFile folder;
    juce::String previousPath;
};

// Runs an action once a modal component (a popup menu, an alert) has been showing for a moment,
// from inside the modal loop that shows it. The component is handed to the action, which runs
// from a message of its own rather than from a timer callback, so that JUCE's timers (repaints,
// a menu's own look at the mouse) go on while it waits for something. A modal state still there
// long after the action is cancelled and the test fails, so that a lost input cannot hang it or
// pass unseen.
class WhenModal : private juce::Timer
{
public:
    explicit WhenModal(std::function<void(juce::Component&)> action);
    ~WhenModal() override;

    // True once the action has returned.
    bool hasRun() const { return state->ran; }

private:
    void timerCallback() override;

    struct State
    {
        std::function<void(juce::Component&)> action;
        bool ran = false;
        bool alive = true;
        juce::uint32 ranAt = 0;
    };

    std::shared_ptr<State> state;
    bool posted = false;
    bool cancelled = false;
    juce::uint32 firstSeen = 0;
};

// What the host hears from the processor: values and gestures, by parameter index.
struct HostEvent
{
    enum Kind
    {
        value,
        gestureBegin,
        gestureEnd
    };
    Kind kind;
    int index;
    float newValue;
};

class HostRecorder : public juce::AudioProcessorListener
{
public:
    explicit HostRecorder(juce::AudioProcessor& processor);
    ~HostRecorder() override;

    void audioProcessorParameterChanged(juce::AudioProcessor*, int index, float newValue) override;
    void audioProcessorChanged(juce::AudioProcessor*, const ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin(juce::AudioProcessor*, int index) override;
    void audioProcessorParameterChangeGestureEnd(juce::AudioProcessor*, int index) override;

    std::vector<HostEvent> events;

private:
    juce::AudioProcessor& processor;
};

// A processor and its editor, as a host makes them.
struct EditorUnderTest
{
    EditorUnderTest();
    VornAudioProcessorEditor& operator*() { return *editor; }
    VornAudioProcessorEditor* operator->() { return editor.get(); }

    VornAudioProcessor processor;
    std::unique_ptr<VornAudioProcessorEditor> editor;
};

// The frame of a vertical film strip, as an ARGB image.
juce::Image frameOf(const juce::Image& strip, int frames, int frame);

// True when two images have the same size and the same pixels.
bool samePixels(const juce::Image& a, const juce::Image& b);
} // namespace editortest
