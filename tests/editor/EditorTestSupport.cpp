#include "EditorTestSupport.h"

#include <cstdlib>

namespace editortest
{
namespace
{
void setVariable(const char* name, const juce::String& value)
{
    ::setenv(name, value.toRawUTF8(), 1);
}
} // namespace

TemporaryHome::TemporaryHome() : previousHome(juce::SystemStats::getEnvironmentVariable("HOME", {}))
{
    folder.getFile().createDirectory();
    setVariable("HOME", folder.getFile().getFullPathName());
}

TemporaryHome::~TemporaryHome()
{
    setVariable("HOME", previousHome);
    folder.getFile().setReadOnly(false, true);
    folder.getFile().deleteRecursively();
}

juce::File TemporaryHome::presetFolder() const
{
    return home().getChildFile("Music/Audio Music Apps/Mordax/Presets/VORN");
}

StandInBrowser::StandInBrowser() : previousPath(juce::SystemStats::getEnvironmentVariable("PATH", {}))
{
    const auto bin = folder.getFile();
    bin.createDirectory();
    const auto script = bin.getChildFile("xdg-open");
    // JUCE writes "\r\n" line ends unless told otherwise, which would break the "#!" line.
    script.replaceWithText("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"" + bin.getFullPathName() + "/opened\"\n",
                           false, false, "\n");
    script.setExecutePermission(true);
    setVariable("PATH", bin.getFullPathName() + ":" + previousPath);
}

StandInBrowser::~StandInBrowser()
{
    setVariable("PATH", previousPath);
    folder.getFile().deleteRecursively();
}

juce::StringArray StandInBrowser::openedAddresses() const
{
    juce::StringArray lines;
    folder.getFile().getChildFile("opened").readLines(lines);
    lines.removeEmptyStrings();
    return lines;
}

WhenModal::WhenModal(std::function<void(juce::Component&)> a) : state(std::make_shared<State>())
{
    state->action = std::move(a);
    startTimer(20);
}

WhenModal::~WhenModal()
{
    state->alive = false;
    stopTimer();
}

void WhenModal::timerCallback()
{
    // Long enough for any action's own waits on a loaded machine.
    constexpr juce::uint32 cancelAfterMs = 3 * guitest::defaultTimeoutMs;

    const auto now = juce::Time::getMillisecondCounter();
    auto* manager = juce::ModalComponentManager::getInstance();
    auto* modal = manager->getNumModalComponents() > 0 ? manager->getModalComponent(0) : nullptr;

    if (posted)
    {
        if (modal == nullptr)
        {
            if (state->ran)
                stopTimer();
            return;
        }
        // Whatever the action did, a modal loop left open would never return.
        if (state->ran && now - state->ranAt > cancelAfterMs && !cancelled)
        {
            cancelled = true;
            ADD_FAILURE() << "a modal component was still open " << cancelAfterMs / 1000
                          << " s after the action: cancelled";
            juce::PopupMenu::dismissAllActiveMenus();
            manager->cancelAllModalComponents();
        }
        return;
    }

    if (modal == nullptr || !modal->isShowing())
    {
        firstSeen = 0;
        return;
    }
    // A menu takes a release in its first 250 ms for the end of the click that opened it: JUCE's
    // own rule, a lower bound that a loaded machine only passes later.
    if (firstSeen == 0)
        firstSeen = now;
    if (now - firstSeen < 400)
        return;

    posted = true;
    juce::MessageManager::callAsync(
        [s = state, target = juce::Component::SafePointer<juce::Component>(modal)]
        {
            if (!s->alive)
                return;
            if (target != nullptr)
                s->action(*target);
            else
                ADD_FAILURE() << "the modal component went before the action could run";
            s->ran = true;
            s->ranAt = juce::Time::getMillisecondCounter();
        });
}

HostRecorder::HostRecorder(juce::AudioProcessor& p) : processor(p)
{
    processor.addListener(this);
}

HostRecorder::~HostRecorder()
{
    processor.removeListener(this);
}

void HostRecorder::audioProcessorParameterChanged(juce::AudioProcessor*, int index, float v)
{
    events.push_back({HostEvent::value, index, v});
}

void HostRecorder::audioProcessorParameterChangeGestureBegin(juce::AudioProcessor*, int index)
{
    events.push_back({HostEvent::gestureBegin, index, 0.0f});
}

void HostRecorder::audioProcessorParameterChangeGestureEnd(juce::AudioProcessor*, int index)
{
    events.push_back({HostEvent::gestureEnd, index, 0.0f});
}

EditorUnderTest::EditorUnderTest() : editor(dynamic_cast<VornAudioProcessorEditor*>(processor.createEditor()))
{
}

juce::Image frameOf(const juce::Image& strip, int frames, int frame)
{
    const int height = strip.getHeight() / frames;
    return strip.getClippedImage({0, frame * height, strip.getWidth(), height})
        .convertedToFormat(juce::Image::ARGB);
}

bool samePixels(const juce::Image& a, const juce::Image& b)
{
    if (a.getWidth() != b.getWidth() || a.getHeight() != b.getHeight())
        return false;
    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            if (a.getPixelAt(x, y).getARGB() != b.getPixelAt(x, y).getARGB())
                return false;
    return true;
}
} // namespace editortest
