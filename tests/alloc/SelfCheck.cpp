#include <gtest/gtest.h>

#include "AllocationCounter.h"

#include <juce_audio_basics/juce_audio_basics.h>

// The hook must see JUCE's buffer growth, or every allocation test built on it proves nothing.
TEST(AllocationCounter, SeesBufferGrowthAndNothingElse)
{
    juce::AudioSampleBuffer buffer(2, 64);
    {
        ScopedAllocationCounter counter;
        buffer.setSize(2, 32, false, false, true);
        EXPECT_EQ(counter.count(), 0);
    }
    {
        ScopedAllocationCounter counter;
        buffer.setSize(2, 4096, false, false, true);
        EXPECT_GT(counter.count(), 0);
    }
}
