#include "PngWriter.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include <zlib.h>

#include "Deflater.h"

namespace artwork
{
namespace
{
// Big IDAT chunks: libpng reads them in small pieces anyway, so their size only costs headers.
constexpr size_t idatChunkSize = 1 << 20;

using Bytes = std::vector<std::uint8_t>;

// Each row as a filter-type byte (none) and the pixels in RGBA, converted exactly as
// juce::PNGImageFormat does.
Bytes unfilteredRows(const juce::Image& image)
{
    const juce::Image argb = image.convertedToFormat(juce::Image::ARGB);
    const juce::Image::BitmapData pixels(argb, juce::Image::BitmapData::readOnly);
    Bytes rows;
    rows.reserve((size_t(argb.getWidth()) * 4 + 1) * size_t(argb.getHeight()));
    for (int y = 0; y < argb.getHeight(); ++y)
    {
        rows.push_back(0);
        for (int x = 0; x < argb.getWidth(); ++x)
        {
            juce::PixelARGB p(*reinterpret_cast<const juce::PixelARGB*>(pixels.getPixelPointer(x, y)));
            p.unpremultiply();
            rows.insert(rows.end(), {p.getRed(), p.getGreen(), p.getBlue(), p.getAlpha()});
        }
    }
    return rows;
}

// The encoder is ours, so every stream is inflated by zlib before it is written.
bool inflatesTo(const Bytes& stream, const Bytes& expected)
{
    Bytes inflated(expected.size() + 1);
    uLongf size = uLongf(inflated.size());
    return uncompress(inflated.data(), &size, stream.data(), uLong(stream.size())) == Z_OK &&
           size == expected.size() && std::equal(expected.begin(), expected.end(), inflated.begin());
}

void putBigEndian(juce::MemoryOutputStream& out, std::uint32_t value)
{
    const std::uint8_t bytes[] = {std::uint8_t(value >> 24), std::uint8_t(value >> 16),
                                  std::uint8_t(value >> 8), std::uint8_t(value)};
    out.write(bytes, sizeof(bytes));
}

void putChunk(juce::MemoryOutputStream& out, const char (&type)[5], const std::uint8_t* data, size_t size)
{
    putBigEndian(out, std::uint32_t(size));
    out.write(type, 4);
    if (size > 0)
        out.write(data, size);
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
    if (size > 0)
        crc = crc32(crc, data, uInt(size));
    putBigEndian(out, std::uint32_t(crc));
}
} // namespace

juce::MemoryBlock PngWriter::encode(const juce::Image& image)
{
    const Bytes rows = unfilteredRows(image);
    const Bytes stream = Deflater::compress(rows.data(), rows.size());
    if (!inflatesTo(stream, rows))
        return {};

    juce::MemoryOutputStream out;
    const std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    out.write(signature, sizeof(signature));

    juce::MemoryOutputStream header;
    putBigEndian(header, std::uint32_t(image.getWidth()));
    putBigEndian(header, std::uint32_t(image.getHeight()));
    const std::uint8_t format[] = {8, 6, 0, 0,
                                   0}; // 8 bits, RGBA, deflate, the standard filters, not interlaced
    header.write(format, sizeof(format));
    putChunk(out, "IHDR", static_cast<const std::uint8_t*>(header.getData()), header.getDataSize());

    for (size_t start = 0; start < stream.size(); start += idatChunkSize)
        putChunk(out, "IDAT", stream.data() + start, std::min(idatChunkSize, stream.size() - start));
    putChunk(out, "IEND", nullptr, 0);
    return out.getMemoryBlock();
}

bool PngWriter::write(const juce::Image& image, const juce::File& file)
{
    const juce::MemoryBlock data = encode(image);
    return !data.isEmpty() && file.replaceWithData(data.getData(), data.getSize());
}

} // namespace artwork
