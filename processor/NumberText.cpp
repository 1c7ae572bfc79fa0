#include "NumberText.h"

double NumberText::toDouble(const juce::String& text)
{
    // Any exponent beyond 99999 already means infinity or zero for a double.
    constexpr int longestExponent = 5;
    juce::String safe;
    const auto length = text.length();
    int i = 0;

    while (i < length)
    {
        const auto c = text[i];
        safe += c;
        ++i;

        if (c != 'e' && c != 'E')
            continue;

        if (i < length && (text[i] == '+' || text[i] == '-'))
            safe += text[i++];

        const auto zerosFrom = i;
        while (i < length && text[i] == '0')
            ++i;

        int digits = 0;
        while (i + digits < length && juce::CharacterFunctions::isDigit(text[i + digits]))
            ++digits;

        if (digits == 0 && i > zerosFrom)
            safe += '0';
        else if (digits > longestExponent)
            safe += "99999";
        else
            safe += text.substring(i, i + digits);

        i += digits;
    }

    return safe.getDoubleValue();
}
