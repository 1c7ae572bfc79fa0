#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace artwork
{
// Compresses into a zlib stream that inflates fast, at a small cost in size.
//
// zlib's inflate copies a match a byte at a time, and when the match starts only a few bytes back
// every byte waits for the one just written. zlib's own encoder takes the nearest of equally long
// matches, so a run of one colour becomes matches 1 or 4 bytes back, which inflate several times
// slower than matches from further back. This encoder never refers to data nearer than
// minDistance; runs are then copied from earlier rows or from further along the run.
class Deflater
{
public:
    static constexpr int minDistance = 64;

    static std::vector<std::uint8_t> compress(const std::uint8_t* data, std::size_t size);
};

} // namespace artwork
