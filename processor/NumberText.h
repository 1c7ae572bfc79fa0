#pragma once

#include <juce_core/juce_core.h>

// Reads a number from text as juce::String::getDoubleValue does (leading blanks, sign, digits,
// point, exponent; 0 for no number), for text from hosts and files. JUCE sums exponent digits in an
// int, so an exponent of ten digits or more overflows it; such exponents are shortened first to
// one that gives the same result: infinity or zero.
class NumberText
{
public:
    static double toDouble(const juce::String& text);
};
