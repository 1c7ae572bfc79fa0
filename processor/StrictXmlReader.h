#pragma once

#include <juce_core/juce_core.h>

#include <cstddef>
#include <memory>

// Parses XML that comes from outside (state chunks, preset files) only when it is well-formed.
// juce::XmlDocument alone accepts broken text (a cut-off attribute list, unquoted values), steps
// over the text's terminating zero after a bad UTF-8 lead byte or a cut-off "&#x" and reads on in
// uninitialised memory, never returns from text that follows a processing instruction inside an
// element, and recurses once per nesting level, so deep nesting overflows the stack. The text is
// checked first, in one pass without recursion.
class StrictXmlReader
{
public:
    // Deepest element nesting that is accepted; the root element is level 1.
    static constexpr int maxDepth = 32;

    // The document element, or nullptr when the text is not accepted or JUCE reports an error.
    static std::unique_ptr<juce::XmlElement> parse(const char* utf8, size_t numBytes);

    // Strict UTF-8 (shortest forms, no surrogates, nothing above U+10FFFF) holding one
    // well-formed element with comments, processing instructions and white space around it
    // (inside it only comments): no DTD, no raw control characters, only the five predefined entities
    // and character references to characters other than NUL (the control characters among them, as
    // JUCE writes them), matching end tags, unique attribute names, ASCII names.
    static bool isWellFormed(const char* utf8, size_t numBytes);
};
