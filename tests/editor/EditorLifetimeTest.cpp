#include "GuiTest.h"
#include "VornAudioProcessor.h"
#include "VornAudioProcessorEditor.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define VORN_UNDER_ASAN 1
#endif

namespace
{
// Resident memory of this process in kB, from /proc.
long residentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}
} // namespace

TEST(EditorLifetime, OpeningAndClosingFiftyTimesKeepsMemoryFlat)
{
    VornAudioProcessor processor;
    long afterTen = 0;
    for (int round = 1; round <= 50; ++round)
    {
        {
            std::unique_ptr<juce::AudioProcessorEditor> editor(processor.createEditor());
            guitest::render(*editor);
        }
        ASSERT_TRUE(guitest::deliverPosted());
        if (round == 10)
            afterTen = residentKilobytes();
    }
    const auto afterFifty = residentKilobytes();
    ASSERT_GT(afterTen, 0);
#ifdef VORN_UNDER_ASAN
    // AddressSanitizer keeps freed memory in quarantine, so resident memory says nothing here;
    // LeakSanitizer looks for what the fifty editors left behind instead.
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
    return;
#endif
    // One editor holds about 31 MB of decoded images: a leak of even one of them would show.
    EXPECT_LT(afterFifty - afterTen, 8 * 1024)
        << afterTen << " kB after 10, " << afterFifty << " kB after 50";
}
