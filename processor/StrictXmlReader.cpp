#include "StrictXmlReader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

namespace
{
using Cursor = const char*;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':';
}

bool isNameChar(char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// Tab, line feed and carriage return are the only C0 control characters XML allows.
bool isForbiddenControl(char c)
{
    return static_cast<unsigned char>(c) < 0x20 && !isSpace(c);
}

// JUCE writes every character outside printable ASCII as a reference, whether XML 1.0 allows the
// character or not ("&#1;", "&#65534;"), and reads them all back. A NUL cannot be held in a string,
// and surrogates and numbers beyond U+10FFFF are no characters.
bool isReferableCodePoint(uint64_t c)
{
    return c >= 1 && c <= 0x10ffff && !(c >= 0xd800 && c <= 0xdfff);
}

bool isStrictUtf8(Cursor p, Cursor end)
{
    while (p < end)
    {
        const auto lead = static_cast<unsigned char>(*p++);

        if (lead < 0x80)
            continue;

        int extra = 0;
        uint32_t c = 0;

        if (lead >= 0xc2 && lead <= 0xdf)
        {
            extra = 1;
            c = lead & 0x1fu;
        }
        else if (lead >= 0xe0 && lead <= 0xef)
        {
            extra = 2;
            c = lead & 0x0fu;
        }
        else if (lead >= 0xf0 && lead <= 0xf4)
        {
            extra = 3;
            c = lead & 0x07u;
        }
        else
        {
            return false;
        }

        if (end - p < extra)
            return false;

        for (int i = 0; i < extra; ++i)
        {
            const auto next = static_cast<unsigned char>(*p++);

            if ((next & 0xc0) != 0x80)
                return false;

            c = (c << 6) | (next & 0x3fu);
        }

        const uint32_t smallest = extra == 1 ? 0x80 : (extra == 2 ? 0x800 : 0x10000);

        if (c < smallest || c > 0x10ffff || (c >= 0xd800 && c <= 0xdfff))
            return false;
    }

    return true;
}

bool startsWith(Cursor p, Cursor end, std::string_view prefix)
{
    return static_cast<size_t>(end - p) >= prefix.size() && std::memcmp(p, prefix.data(), prefix.size()) == 0;
}

void skipSpace(Cursor& p, Cursor end)
{
    while (p < end && isSpace(*p))
        ++p;
}

// Moves past the first terminator; false when there is none.
bool skipPast(Cursor& p, Cursor end, std::string_view terminator)
{
    const std::string_view rest(p, static_cast<size_t>(end - p));
    const auto found = rest.find(terminator);

    if (found == std::string_view::npos)
        return false;

    p += found + terminator.size();
    return true;
}

// Comments and processing instructions (the XML declaration among them) need no further check:
// the parser skips them up to their terminator just as this does.
bool skipCommentOrInstruction(Cursor& p, Cursor end, bool& skipped)
{
    skipped = true;

    if (startsWith(p, end, "<!--"))
    {
        p += 4;
        return skipPast(p, end, "-->");
    }

    if (startsWith(p, end, "<?"))
    {
        p += 2;
        return skipPast(p, end, "?>");
    }

    skipped = false;
    return true;
}

bool skipMisc(Cursor& p, Cursor end)
{
    for (;;)
    {
        skipSpace(p, end);
        bool skipped = false;

        if (!skipCommentOrInstruction(p, end, skipped))
            return false;

        if (!skipped)
            return true;
    }
}

bool readName(Cursor& p, Cursor end, std::string_view& name)
{
    if (p == end || !isNameStart(*p))
        return false;

    const auto start = p++;

    while (p < end && isNameChar(*p))
        ++p;

    name = std::string_view(start, static_cast<size_t>(p - start));
    return true;
}

// At '&'. The parser's own limits are 8 hexadecimal or 12 decimal digits.
bool readReference(Cursor& p, Cursor end)
{
    ++p;

    for (std::string_view entity : {"amp;", "lt;", "gt;", "quot;", "apos;"})
    {
        if (startsWith(p, end, entity))
        {
            p += entity.size();
            return true;
        }
    }

    if (p == end || *p != '#')
        return false;

    ++p;
    const bool hex = p < end && *p == 'x';

    if (hex)
        ++p;

    uint64_t code = 0;
    int digits = 0;

    for (; p < end && *p != ';'; ++p)
    {
        const char c = *p;
        int digit = -1;

        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;

        if (digit < 0 || ++digits > (hex ? 8 : 12))
            return false;

        code = code * (hex ? 16u : 10u) + static_cast<uint64_t>(digit);
    }

    if (p == end || digits == 0)
        return false;

    ++p;
    return isReferableCodePoint(code);
}

bool readAttributeValue(Cursor& p, Cursor end)
{
    if (p == end || (*p != '"' && *p != '\''))
        return false;

    const char quote = *p++;

    while (p < end && *p != quote)
    {
        if (*p == '<' || isForbiddenControl(*p))
            return false;

        if (*p == '&')
        {
            if (!readReference(p, end))
                return false;
        }
        else
        {
            ++p;
        }
    }

    if (p == end)
        return false;

    ++p;
    return true;
}

// At '<' of a start tag. Reads the tag up to and including its '>' or "/>".
bool readStartTag(Cursor& p, Cursor end, std::string_view& name, bool& isEmpty,
                  std::vector<std::string_view>& attributeNames)
{
    ++p;

    if (!readName(p, end, name))
        return false;

    attributeNames.clear();

    for (;;)
    {
        const bool spaceBefore = p < end && isSpace(*p);
        skipSpace(p, end);

        if (startsWith(p, end, "/>"))
        {
            p += 2;
            isEmpty = true;
            break;
        }

        if (p < end && *p == '>')
        {
            ++p;
            isEmpty = false;
            break;
        }

        std::string_view attributeName;

        if (!spaceBefore || !readName(p, end, attributeName))
            return false;

        skipSpace(p, end);

        if (p == end || *p != '=')
            return false;

        ++p;
        skipSpace(p, end);

        if (!readAttributeValue(p, end))
            return false;

        attributeNames.push_back(attributeName);
    }

    std::sort(attributeNames.begin(), attributeNames.end());
    return std::adjacent_find(attributeNames.begin(), attributeNames.end()) == attributeNames.end();
}

// At '<' of the root element; iterative, so no input can exhaust the stack.
bool readElement(Cursor& p, Cursor end)
{
    std::vector<std::string_view> open;
    std::vector<std::string_view> attributeNames;

    for (;;)
    {
        std::string_view name;
        bool isEmpty = false;

        if (static_cast<int>(open.size()) >= StrictXmlReader::maxDepth ||
            !readStartTag(p, end, name, isEmpty, attributeNames))
            return false;

        if (isEmpty)
        {
            if (open.empty())
                return true;
        }
        else
        {
            open.push_back(name);
        }

        // Content up to the next child's start tag, or up to the end tag that closes the root.
        for (;;)
        {
            if (p == end)
                return false;

            if (*p == '<')
            {
                if (startsWith(p, end, "<!--"))
                {
                    p += 4;

                    if (!skipPast(p, end, "-->"))
                        return false;

                    continue;
                }

                // juce::XmlDocument loops for ever on text after an instruction inside an element.
                if (startsWith(p, end, "<?"))
                    return false;

                if (startsWith(p, end, "<![CDATA["))
                {
                    p += 9;

                    if (!skipPast(p, end, "]]>"))
                        return false;

                    continue;
                }

                if (!startsWith(p, end, "</"))
                    break;

                p += 2;
                std::string_view closing;

                if (!readName(p, end, closing) || closing != open.back())
                    return false;

                skipSpace(p, end);

                if (p == end || *p != '>')
                    return false;

                ++p;
                open.pop_back();

                if (open.empty())
                    return true;

                continue;
            }

            if (*p == '&')
            {
                if (!readReference(p, end))
                    return false;

                continue;
            }

            if (isForbiddenControl(*p))
                return false;

            ++p;
        }
    }
}
} // namespace

bool StrictXmlReader::isWellFormed(const char* utf8, size_t numBytes)
{
    if (utf8 == nullptr)
        return false;

    Cursor p = utf8;
    const Cursor end = utf8 + numBytes;

    if (!isStrictUtf8(p, end) || !skipMisc(p, end) || p == end || *p != '<' || !readElement(p, end))
        return false;

    return skipMisc(p, end) && p == end;
}

std::unique_ptr<juce::XmlElement> StrictXmlReader::parse(const char* utf8, size_t numBytes)
{
    if (numBytes > static_cast<size_t>(std::numeric_limits<int>::max()) || !isWellFormed(utf8, numBytes))
        return {};

    juce::XmlDocument document(juce::String::fromUTF8(utf8, static_cast<int>(numBytes)));
    return document.getDocumentElement();
}
