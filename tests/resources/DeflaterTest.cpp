#include "Deflater.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

namespace
{
std::vector<std::uint8_t> inflated(const std::vector<std::uint8_t>& stream, std::size_t expectedSize)
{
    std::vector<std::uint8_t> out(expectedSize + 16);
    uLongf size = (uLongf)out.size();
    const auto rc = uncompress(out.data(), &size, stream.data(), (uLong)stream.size());
    EXPECT_EQ(rc, Z_OK);
    out.resize(rc == Z_OK ? size : 0);
    return out;
}
} // namespace

// What the encoder writes is a zlib stream that zlib inflates back to the input exactly, for the
// kinds of data the artwork holds: empty, runs of one value, repeating rows, noise, and mixtures
// long enough to need several blocks.
TEST(Deflater, ZlibInflatesEveryKindOfInputBackExactly)
{
    std::mt19937 random(7);
    std::vector<std::vector<std::uint8_t>> inputs;
    inputs.emplace_back();
    inputs.emplace_back(1, 42);
    inputs.emplace_back(100000, 0);
    {
        std::vector<std::uint8_t> rows;
        for (int row = 0; row < 400; ++row)
            for (int x = 0; x < 416; ++x)
                rows.push_back((std::uint8_t)((x * 7 + row / 50) & 0xff));
        inputs.push_back(rows);
    }
    {
        std::vector<std::uint8_t> noise(300000);
        for (auto& b : noise)
            b = (std::uint8_t)random();
        inputs.push_back(noise);
    }
    {
        std::vector<std::uint8_t> mixed;
        for (int i = 0; i < 2000000; ++i)
            mixed.push_back(i % 9000 < 4000 ? 0 : (std::uint8_t)(random() % 4 + (i / 97) % 200));
        inputs.push_back(mixed);
    }

    for (const auto& input : inputs)
    {
        SCOPED_TRACE(input.size());
        const auto stream = artwork::Deflater::compress(input.data(), input.size());
        EXPECT_EQ(inflated(stream, input.size()), input);
    }
}
