#include "Deflater.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <queue>
#include <utility>

#include <zlib.h>

namespace artwork
{
namespace
{
constexpr int windowSize = 32768;
constexpr int minMatch = 4; // matches are found through a hash of their first four bytes
constexpr int maxMatch = 258;
constexpr int maxChain = 128; // candidates tried per position; longer searches barely shrink the files
constexpr int hashBits = 16;
constexpr size_t blockSymbols = 32768; // symbols per block, each with its own codes

constexpr std::array<int, 29> lengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                            31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> lengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                             2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> distanceBase = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                              33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                              1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> distanceExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                               6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr int endOfBlock = 256;
constexpr int firstLengthSymbol = 257;

template <size_t n> int codeFor(const std::array<int, n>& bases, int value)
{
    return int(std::upper_bound(bases.begin(), bases.end(), value) - bases.begin()) - 1;
}

// A literal (length 0) or a match.
struct Symbol
{
    std::uint16_t length;
    std::uint16_t distance;
    std::uint8_t literal;
};

// Greedy matching with one step of lazy evaluation, as zlib does at its higher levels.
std::vector<Symbol> findMatches(const std::uint8_t* data, size_t size)
{
    std::vector<int> head(size_t(1) << hashBits, -1);
    std::vector<int> previous(size, -1);
    const auto hashAt = [data](size_t i)
    {
        std::uint32_t v;
        std::memcpy(&v, data + i, 4);
        return (v * 2654435761u) >> (32 - hashBits);
    };
    const auto insert = [&](size_t i)
    {
        if (i + minMatch <= size)
        {
            const auto h = hashAt(i);
            previous[i] = head[h];
            head[h] = int(i);
        }
    };
    const auto longestMatch = [&](size_t i, int& distance)
    {
        if (i + minMatch > size)
            return 0;
        const int limit = int(std::min<size_t>(maxMatch, size - i));
        int best = 0, tries = maxChain;
        for (int j = head[hashAt(i)]; j >= 0 && tries > 0; j = previous[size_t(j)])
        {
            const int back = int(i) - j;
            if (back > windowSize)
                break;
            if (back < Deflater::minDistance)
                continue;
            --tries;
            if (data[size_t(j + best)] != data[i + size_t(best)])
                continue;
            int length = 0;
            while (length < limit && data[size_t(j + length)] == data[i + size_t(length)])
                ++length;
            if (length > best)
            {
                best = length;
                distance = back;
                if (length == limit)
                    break;
            }
        }
        return best >= minMatch ? best : 0;
    };

    std::vector<Symbol> symbols;
    size_t i = 0;
    while (i < size)
    {
        int distance = 0;
        int length = longestMatch(i, distance);
        insert(i);
        if (length > 0 && length < maxMatch)
        {
            int laterDistance = 0;
            const int later = longestMatch(i + 1, laterDistance);
            if (later > length)
            {
                symbols.push_back({0, 0, data[i]});
                ++i;
                insert(i);
                length = later;
                distance = laterDistance;
            }
        }
        if (length == 0)
        {
            symbols.push_back({0, 0, data[i]});
            ++i;
            continue;
        }
        symbols.push_back({std::uint16_t(length), std::uint16_t(distance), 0});
        for (int k = 1; k < length; ++k)
            insert(i + size_t(k));
        i += size_t(length);
    }
    return symbols;
}

// Huffman code lengths of at most maxBits; the counts are halved until the tree is shallow enough.
std::vector<int> codeLengths(std::vector<std::uint32_t> counts, int maxBits)
{
    const size_t n = counts.size();
    for (;;)
    {
        std::vector<std::uint64_t> weight;
        std::vector<int> parent;
        std::vector<int> leaf(n, -1);
        for (size_t s = 0; s < n; ++s)
            if (counts[s] > 0)
            {
                leaf[s] = int(weight.size());
                weight.push_back(counts[s]);
                parent.push_back(-1);
            }
        std::vector<int> lengths(n, 0);
        if (weight.size() == 1)
        {
            for (size_t s = 0; s < n; ++s)
                lengths[s] = counts[s] > 0 ? 1 : 0;
            return lengths;
        }

        // Ties broken by node number, so the codes are the same on every run.
        using Node = std::pair<std::uint64_t, int>;
        std::priority_queue<Node, std::vector<Node>, std::greater<Node>> queue;
        for (size_t k = 0; k < weight.size(); ++k)
            queue.push({weight[k], int(k)});
        while (queue.size() > 1)
        {
            const Node a = queue.top();
            queue.pop();
            const Node b = queue.top();
            queue.pop();
            const int joined = int(weight.size());
            weight.push_back(a.first + b.first);
            parent.push_back(-1);
            parent[size_t(a.second)] = joined;
            parent[size_t(b.second)] = joined;
            queue.push({a.first + b.first, joined});
        }

        int deepest = 0;
        for (size_t s = 0; s < n; ++s)
            if (leaf[s] >= 0)
            {
                for (int node = leaf[s]; parent[size_t(node)] >= 0; node = parent[size_t(node)])
                    ++lengths[s];
                deepest = std::max(deepest, lengths[s]);
            }
        if (deepest <= maxBits)
            return lengths;
        for (auto& count : counts)
            if (count > 0)
                count = (count + 1) / 2;
    }
}

// Canonical codes for the lengths, bit-reversed because deflate sends Huffman codes from their top bit.
std::vector<std::uint32_t> canonicalCodes(const std::vector<int>& lengths)
{
    std::array<std::uint32_t, 16> perLength{};
    for (const int length : lengths)
        if (length > 0)
            ++perLength[size_t(length)];
    std::array<std::uint32_t, 16> next{};
    std::uint32_t code = 0;
    for (size_t bits = 1; bits < 16; ++bits)
    {
        code = (code + perLength[bits - 1]) << 1;
        next[bits] = code;
    }
    std::vector<std::uint32_t> codes(lengths.size(), 0);
    for (size_t s = 0; s < lengths.size(); ++s)
        if (lengths[s] > 0)
        {
            const std::uint32_t c = next[size_t(lengths[s])]++;
            std::uint32_t reversed = 0;
            for (int k = 0; k < lengths[s]; ++k)
                reversed |= ((c >> k) & 1u) << (lengths[s] - 1 - k);
            codes[s] = reversed;
        }
    return codes;
}

struct BitWriter
{
    std::vector<std::uint8_t> bytes;
    std::uint64_t pending = 0;
    int pendingBits = 0;

    void put(std::uint32_t bits, int count)
    {
        pending |= std::uint64_t(bits) << pendingBits;
        pendingBits += count;
        while (pendingBits >= 8)
        {
            bytes.push_back(std::uint8_t(pending));
            pending >>= 8;
            pendingBits -= 8;
        }
    }

    void flush()
    {
        if (pendingBits > 0)
            put(0, 8 - pendingBits);
    }
};

// One block with its own (dynamic) codes.
void writeBlock(BitWriter& out, const Symbol* symbols, size_t count, bool last)
{
    std::vector<std::uint32_t> literalCounts(286, 0), distanceCounts(30, 0);
    for (size_t k = 0; k < count; ++k)
        if (symbols[k].length == 0)
            ++literalCounts[symbols[k].literal];
        else
        {
            ++literalCounts[size_t(firstLengthSymbol + codeFor(lengthBase, symbols[k].length))];
            ++distanceCounts[size_t(codeFor(distanceBase, symbols[k].distance))];
        }
    literalCounts[endOfBlock] = 1;
    // Two distance codes at least, as zlib sends: some inflaters reject a single one.
    for (size_t d = 0;
         std::count_if(distanceCounts.begin(), distanceCounts.end(), [](auto c) { return c > 0; }) < 2; ++d)
        distanceCounts[d] = std::max<std::uint32_t>(distanceCounts[d], 1);

    const std::vector<int> literalLengths = codeLengths(literalCounts, 15);
    const std::vector<int> distanceLengths = codeLengths(distanceCounts, 15);
    size_t literalCodes = 286, distanceCodes = 30;
    while (literalCodes > 257 && literalLengths[literalCodes - 1] == 0)
        --literalCodes;
    while (distanceCodes > 1 && distanceLengths[distanceCodes - 1] == 0)
        --distanceCodes;

    // Both code length tables, run-length coded: 16 repeats the last length 3-6 times, 17 and 18
    // stand for 3-10 and 11-138 zeros.
    std::vector<int> lengths(literalLengths.begin(), literalLengths.begin() + long(literalCodes));
    lengths.insert(lengths.end(), distanceLengths.begin(), distanceLengths.begin() + long(distanceCodes));
    struct LengthSymbol
    {
        int symbol, extra, extraBits;
    };
    std::vector<LengthSymbol> runs;
    for (size_t k = 0; k < lengths.size();)
    {
        size_t run = 1;
        while (k + run < lengths.size() && lengths[k + run] == lengths[k])
            ++run;
        if (lengths[k] == 0 && run >= 3)
        {
            run = std::min<size_t>(run, 138);
            runs.push_back(run >= 11 ? LengthSymbol{18, int(run) - 11, 7}
                                     : LengthSymbol{17, int(run) - 3, 3});
            k += run;
        }
        else if (lengths[k] != 0 && run >= 4)
        {
            const size_t repeats = std::min<size_t>(run - 1, 6);
            runs.push_back({lengths[k], 0, 0});
            runs.push_back({16, int(repeats) - 3, 2});
            k += 1 + repeats;
        }
        else
        {
            runs.push_back({lengths[k], 0, 0});
            ++k;
        }
    }
    std::vector<std::uint32_t> runCounts(19, 0);
    for (const auto& r : runs)
        ++runCounts[size_t(r.symbol)];
    const std::vector<int> runLengths = codeLengths(runCounts, 7);
    static constexpr std::array<int, 19> runOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                     11, 4,  12, 3, 13, 2, 14, 1, 15};
    size_t runCodes = 19;
    while (runCodes > 4 && runLengths[size_t(runOrder[runCodes - 1])] == 0)
        --runCodes;

    const auto literalCode = canonicalCodes(literalLengths);
    const auto distanceCode = canonicalCodes(distanceLengths);
    const auto runCode = canonicalCodes(runLengths);

    out.put(last ? 1 : 0, 1);
    out.put(2, 2); // dynamic codes
    out.put(std::uint32_t(literalCodes - 257), 5);
    out.put(std::uint32_t(distanceCodes - 1), 5);
    out.put(std::uint32_t(runCodes - 4), 4);
    for (size_t k = 0; k < runCodes; ++k)
        out.put(std::uint32_t(runLengths[size_t(runOrder[k])]), 3);
    for (const auto& r : runs)
    {
        out.put(runCode[size_t(r.symbol)], runLengths[size_t(r.symbol)]);
        out.put(std::uint32_t(r.extra), r.extraBits);
    }

    for (size_t k = 0; k < count; ++k)
    {
        const Symbol& s = symbols[k];
        if (s.length == 0)
        {
            out.put(literalCode[s.literal], literalLengths[s.literal]);
            continue;
        }
        const int lc = codeFor(lengthBase, s.length);
        const size_t ls = size_t(firstLengthSymbol + lc);
        out.put(literalCode[ls], literalLengths[ls]);
        out.put(std::uint32_t(s.length - lengthBase[size_t(lc)]), lengthExtra[size_t(lc)]);
        const size_t dc = size_t(codeFor(distanceBase, s.distance));
        out.put(distanceCode[dc], distanceLengths[dc]);
        out.put(std::uint32_t(s.distance - distanceBase[dc]), distanceExtra[dc]);
    }
    out.put(literalCode[endOfBlock], literalLengths[endOfBlock]);
}
} // namespace

std::vector<std::uint8_t> Deflater::compress(const std::uint8_t* data, std::size_t size)
{
    const std::vector<Symbol> symbols = findMatches(data, size);

    BitWriter out;
    out.put(0x78, 8); // deflate with a 32 KB window
    out.put(0xda, 8); // maximum compression; check bits
    if (symbols.empty())
    {
        out.put(1, 1); // last block
        out.put(1, 2); // fixed codes
        out.put(0, 7); // end of block
    }
    for (size_t start = 0; start < symbols.size(); start += blockSymbols)
    {
        const size_t count = std::min(blockSymbols, symbols.size() - start);
        writeBlock(out, symbols.data() + start, count, start + count == symbols.size());
    }
    out.flush();

    const uLong check = adler32(adler32(0, nullptr, 0), data, uInt(size));
    for (int shift = 24; shift >= 0; shift -= 8)
        out.bytes.push_back(std::uint8_t(check >> shift));
    return std::move(out.bytes);
}

} // namespace artwork
