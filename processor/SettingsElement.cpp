#include "SettingsElement.h"

#include "NumberText.h"

#include "FloatParameter.h"
#include "StrictXmlReader.h"
#include "VornAudioProcessor.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace
{
juce::String attributeNameOf(const FloatParameter& parameter)
{
    return parameter.getName(12).removeCharacters(" ");
}

void writeLittleEndian(juce::uint32 value, void* destination)
{
    auto* bytes = static_cast<juce::uint8*>(destination);

    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<juce::uint8>(value >> (8 * i));
}

juce::uint32 readLittleEndian(const void* source)
{
    const auto* bytes = static_cast<const juce::uint8*>(source);
    juce::uint32 value = 0;

    for (int i = 3; i >= 0; --i)
        value = (value << 8) | bytes[i];

    return value;
}

// A name taken from a file name that is not valid UTF-8 can hold values that are no character
// (surrogates, numbers beyond U+10FFFF) and that no reader takes back: they are written as U+FFFD,
// so that every chunk written restores.
juce::String withCharactersOnly(const juce::String& name)
{
    const auto isCharacter = [](juce::juce_wchar c)
    { return c != 0 && c <= 0x10ffff && !(c >= 0xd800 && c <= 0xdfff); };

    bool clean = true;
    for (auto p = name.getCharPointer(); clean && !p.isEmpty();)
        clean = isCharacter(p.getAndAdvance());

    if (clean)
        return name;

    juce::String result;
    for (auto p = name.getCharPointer(); !p.isEmpty();)
    {
        const auto c = p.getAndAdvance();
        result += juce::String::charToString(isCharacter(c) ? c : juce::juce_wchar(0xfffd));
    }
    return result;
}

juce::Result failure(const juce::File& file, const juce::String& what)
{
    return juce::Result::fail("Could not save the preset \"" + file.getFullPathName() + "\": " + what);
}

// The preset text goes to a hidden sibling first, so a failed write leaves the target untouched
// and no half-written file shows up in the preset list. Its name is short, so that a preset name
// near the system's length limit still saves.
juce::Result replaceAtomically(const juce::File& file, const juce::MemoryBlock& text)
{
    const juce::TemporaryFile temporary(
        file, file.getParentDirectory().getNonexistentChildFile(".preset", ".tmp", false));

    {
        juce::FileOutputStream out(temporary.getFile());

        if (!out.openedOk())
            return failure(file, out.getStatus().getErrorMessage());

        out.write(text.getData(), text.getSize());
        out.flush();

        if (out.getStatus().failed())
            return failure(file, out.getStatus().getErrorMessage());
    }

    // A short write (a full disk, a file size limit) leaves the stream's status clean.
    if (temporary.getFile().getSize() != static_cast<juce::int64>(text.getSize()))
        return failure(file, "the disk took only part of the preset");

    if (!temporary.overwriteTargetFileWithTemporary())
        return failure(file, "the written preset could not be moved into place");

    return juce::Result::ok();
}
} // namespace

juce::String SettingsElement::getTag(const juce::AudioProcessor& processor)
{
    return processor.getName().removeCharacters(" ") + "_SETTINGS";
}

std::unique_ptr<juce::XmlElement> SettingsElement::create(VornAudioProcessor& processor, bool withPresetName)
{
    const auto& parameters = processor.getParameters();
    std::vector<std::pair<const FloatParameter*, float>> values;
    values.reserve(static_cast<size_t>(parameters.size()));
    juce::String presetName;

    {
        const juce::ScopedLock lock(processor.getCallbackLock());

        for (auto* parameter : parameters)
            if (auto* floatParameter = dynamic_cast<const FloatParameter*>(parameter))
                values.emplace_back(floatParameter, floatParameter->getValue());

        if (withPresetName)
            presetName = processor.currentPresetName;
    }

    auto element = std::make_unique<juce::XmlElement>(getTag(processor));

    for (const auto& [parameter, value] : values)
        element->setAttribute(attributeNameOf(*parameter), formatValue(static_cast<double>(value)));

    if (withPresetName)
        element->setAttribute("Preset", withCharactersOnly(presetName));

    return element;
}

void SettingsElement::restore(VornAudioProcessor& processor, const juce::XmlElement& element,
                              bool withPresetName)
{
    // Matching and reading happen before the lock, which then covers only the calls to setValue.
    const auto& parameters = processor.getParameters();
    std::vector<std::pair<FloatParameter*, float>> updates;

    for (int i = 0; i < parameters.size() && i < element.getNumAttributes(); ++i)
    {
        if (auto* parameter = dynamic_cast<FloatParameter*>(parameters[i]))
        {
            const auto name = attributeNameOf(*parameter);

            if (element.getAttributeName(i) == name)
                updates.emplace_back(
                    parameter, toParameterValue(NumberText::toDouble(element.getStringAttribute(name))));
        }
    }

    const auto presetName = withPresetName ? element.getStringAttribute("Preset") : juce::String();

    const juce::ScopedLock lock(processor.getCallbackLock());

    for (const auto& [parameter, value] : updates)
        parameter->setValue(value);

    if (withPresetName)
        processor.currentPresetName = presetName;
}

juce::String SettingsElement::formatValue(double value)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof(text), value, std::chars_format::general, 20);
    return juce::String(text, static_cast<size_t>(result.ptr - text));
}

float SettingsElement::toParameterValue(double value)
{
    // JUCE reads "nan", "inf" and overflowing exponents as non-finite numbers, and narrowing a
    // double beyond float range is undefined.
    if (!std::isfinite(value) || std::abs(value) > static_cast<double>(std::numeric_limits<float>::max()))
        return 0.0f;

    return static_cast<float>(value);
}

void SettingsElement::writeStateChunk(const juce::XmlElement& element, juce::MemoryBlock& destData)
{
    {
        juce::MemoryOutputStream out(destData, false);
        out.writeInt(static_cast<int>(stateChunkMagic));
        out.writeInt(0);
        element.writeTo(out, juce::XmlElement::TextFormat().singleLine().withoutHeader());
        out.writeByte(0);
    }

    writeLittleEndian(static_cast<juce::uint32>(destData.getSize() - 9), destData.begin() + 4);
}

std::unique_ptr<juce::XmlElement> SettingsElement::readStateChunk(const void* data, int sizeInBytes)
{
    if (data == nullptr || sizeInBytes < 9)
        return {};

    const auto* bytes = static_cast<const char*>(data);

    if (readLittleEndian(bytes) != stateChunkMagic)
        return {};

    // As JUCE reads its own envelope: a signed stored length, the smaller of it and the bytes after
    // the header, and the text ending at a zero byte. A chunk without its zero byte, or whose length
    // counts it, is still whole.
    const auto storedLength = static_cast<juce::int32>(readLittleEndian(bytes + 4));

    if (storedLength <= 0)
        return {};

    const auto* text = bytes + 8;
    const auto available = std::min(static_cast<size_t>(sizeInBytes - 8), static_cast<size_t>(storedLength));
    const auto textLength = static_cast<size_t>(std::find(text, text + available, '\0') - text);

    return StrictXmlReader::parse(text, textLength);
}

juce::Result SettingsElement::writePresetFile(const juce::XmlElement& element, const juce::File& file)
{
    if (file == juce::File())
        return juce::Result::fail("Could not save the preset: no file was given");

    // JUCE's replace would delete an empty folder standing there.
    if (file.isDirectory())
        return failure(file, "a folder of that name is in the way");

    const bool existed = file.exists();
    const auto created = file.create();

    if (created.failed())
        return failure(file, created.getErrorMessage());

    juce::XmlElement::TextFormat format;
    format.dtd = {};
    format.customEncoding = "UTF-8";
    format.lineWrapLength = 60;
    format.newLineChars = "\r\n";

    juce::MemoryBlock text;
    {
        juce::MemoryOutputStream out(text, false);
        element.writeTo(out, format);
    }

    const auto written = replaceAtomically(file, text);

    // Leave no empty file behind when the preset never got written.
    if (written.failed() && !existed)
        file.deleteFile();

    return written;
}

std::unique_ptr<juce::XmlElement> SettingsElement::readPresetFile(const juce::String& path)
{
    if (!juce::File::isAbsolutePath(path))
        return {};

    const juce::File file(path);

    if (!file.existsAsFile() || file.getSize() > maxPresetFileBytes)
        return {};

    juce::MemoryBlock data;

    if (!file.loadFileAsData(data) || data.getSize() > static_cast<size_t>(maxPresetFileBytes))
        return {};

    const auto* text = static_cast<const char*>(data.getData());
    auto numBytes = data.getSize();

    // A UTF-8 byte order mark, as juce::XmlDocument allows it.
    if (numBytes >= 3 && juce::CharPointer_UTF8::isByteOrderMark(text))
    {
        text += 3;
        numBytes -= 3;
    }

    return StrictXmlReader::parse(text, numBytes);
}
