#include "GuiTest.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <X11/Xlib.h>

#include <cstdio>

namespace
{
// JUCE installs a forgiving X error handler only in standalone apps; without one the first
// X error (a window gone before a request reached it) would end the test program.
int reportXError(Display*, XErrorEvent* event)
{
    std::fprintf(stderr, "X error %d (request %d)\n", (int)event->error_code, (int)event->request_code);
    return 0;
}

// A test that fails between a press and its release must not leave a button or a key held on
// the display for the tests after it.
class ReleaseHeldInput : public testing::EmptyTestEventListener
{
    void OnTestEnd(const testing::TestInfo&) override { guitest::xdo::releaseAll(); }
};
} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    XSetErrorHandler(reportXError);
    testing::UnitTest::GetInstance()->listeners().Append(new ReleaseHeldInput);

    const juce::ScopedJuceInitialiser_GUI juceInitialiser;
    const guitest::QueuedEventWaker waker;
    return RUN_ALL_TESTS();
}
