// Stands in for libFuzzer where the compiler has none: feeds the fuzz target pseudo-random input
// from a fixed seed until the time budget is spent. It takes libFuzzer's flags for the budget, the
// seed, the time limit per input and the dictionary, so the test runs the same command line with
// either.
//
// The inputs are mostly nearly valid: settings elements with the right names in the right order,
// odd values and layouts and a few random changes; edit scripts of one to a few edits; and now and
// then texts stitched from dictionary tokens and random bytes.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace
{
int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Lines of the form "token" or name="token", with \\, \" and \xNN escapes, as libFuzzer reads them.
std::vector<std::string> readDictionary(const std::string& path)
{
    std::vector<std::string> tokens;
    std::ifstream in(path);
    std::string line;

    while (std::getline(in, line))
    {
        const auto first = line.find('"');
        const auto last = line.rfind('"');

        if (line.empty() || line[0] == '#' || first == std::string::npos || last <= first)
            continue;

        std::string token;
        for (size_t i = first + 1; i < last; ++i)
        {
            if (line[i] == '\\' && i + 1 < last && line[i + 1] == 'x' && i + 3 < last)
            {
                token += static_cast<char>(hexValue(line[i + 2]) * 16 + hexValue(line[i + 3]));
                i += 3;
            }
            else if (line[i] == '\\' && i + 1 < last)
            {
                token += line[++i];
            }
            else
            {
                token += line[i];
            }
        }
        tokens.push_back(token);
    }

    return tokens;
}

const char* const kNames[] = {"ValveDrive", "ValveBias",    "ValveInput",   "ValveBlend",    "ValveMode",
                              "CompRatio",  "CompAttack",   "CompRecovery", "CompThreshold", "CompBlend",
                              "Output",     "MasterBypass", "Preset"};

// Builds the inputs: the mode byte the target reads first, then what that mode expects.
class Generator
{
public:
    Generator(std::mt19937_64& randomSource, const std::vector<std::string>& dictionary)
        : random(randomSource), tokens(dictionary)
    {
    }

    std::string next()
    {
        const auto mode = static_cast<char>(upTo(5));
        std::string input(1, mode);

        switch (mode)
        {
        case 0: // a whole chunk: mostly a right envelope, now and then a damaged one
        {
            const auto text = mutated(settingsText());
            input += littleEndian(upTo(8) == 0 ? static_cast<uint32_t>(random()) : 0x21324356);
            const auto length = static_cast<uint32_t>(text.size());
            input += littleEndian(upTo(8) == 0 ? length + static_cast<uint32_t>(upTo(5)) - 2 : length);
            input += text;
            if (upTo(8) != 0)
                input += '\0';
            break;
        }
        case 1:
        case 2:
            input += upTo(4) == 0 ? tokenSoup() : mutated(settingsText());
            break;
        default:
            input += editScript();
            break;
        }

        return input;
    }

private:
    size_t upTo(size_t n) { return static_cast<size_t>(random() % n); }

    static std::string littleEndian(uint32_t value)
    {
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i)
            bytes[static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xff);
        return bytes;
    }

    const std::string& token() { return tokens[upTo(tokens.size())]; }

    // Mostly printable characters that matter to the grammar.
    char character()
    {
        static const char interesting[] = "0123456789.-+eE \"'<>/=&;#xX!?[]abcVORN_\t\r\n";
        return upTo(4) == 0 ? static_cast<char>(random()) : interesting[upTo(sizeof(interesting) - 1)];
    }

    // Mostly numbers; now and then any token or characters, which often break the element.
    std::string value()
    {
        switch (upTo(16))
        {
        case 0:
            return token();
        case 1:
        {
            std::string text;
            for (size_t n = upTo(12); n > 0; --n)
                text += character();
            return text;
        }
        case 2:
            return "nan";
        case 3:
            return "1e999";
        default:
            return std::to_string(static_cast<double>(random() % 3000) / 1000.0 - 1.0);
        }
    }

    // A settings element, mostly with the right names in the right order.
    std::string settingsText()
    {
        std::string text = upTo(4) == 0 ? "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n" : "";
        text += upTo(16) == 0 ? token() : "<VORN_SETTINGS";
        const size_t count = upTo(8) == 0 ? upTo(20) : 13;

        for (size_t i = 0; i < count; ++i)
        {
            const bool inOrder = i < 13 && upTo(32) != 0;
            text += upTo(4) == 0 ? "\r\n               " : " ";
            text += inOrder ? kNames[i] : (upTo(2) == 0 ? kNames[upTo(13)] : token());
            const char quote = upTo(8) == 0 ? '\'' : '"';
            text += '=';
            text += quote;
            text += value();
            text += quote;
        }

        if (upTo(4) == 0)
        {
            text += ">";
            const size_t depth = upTo(4) == 0 ? upTo(64) : upTo(3);
            for (size_t i = 0; i < depth; ++i)
                text += "<a>";
            for (size_t pieces = upTo(4); pieces > 0; --pieces)
            {
                static const char* const content[] = {"text",          " ",   "&amp;", "<![CDATA[<x>]]>",
                                                      "<!-- note -->", "<b/>"};
                text += upTo(4) == 0 ? token() : std::string(content[upTo(6)]);
            }
            for (size_t i = 0; i < depth; ++i)
                text += "</a>";
            text += "</VORN_SETTINGS>";
        }
        else
        {
            text += "/>";
        }

        return text;
    }

    std::string mutated(std::string text)
    {
        const size_t changes = upTo(2) == 0 ? 0 : 1 + upTo(3);

        for (size_t c = 0; c < changes && !text.empty(); ++c)
        {
            const auto position = upTo(text.size() + 1);
            switch (upTo(4))
            {
            case 0:
                text[position % text.size()] = character();
                break;
            case 1:
                text.insert(position, 1, character());
                break;
            case 2:
                text.insert(position, token());
                break;
            default:
                text.erase(position % text.size(), 1 + upTo(3));
                break;
            }
        }

        return text;
    }

    std::string tokenSoup()
    {
        std::string text;
        for (size_t pieces = upTo(8) == 0 ? upTo(4000) : upTo(40); pieces > 0; --pieces)
            text += upTo(4) == 0 ? std::string(1, static_cast<char>(random())) : token();
        return text;
    }

    // Edits for the target's edit modes: few, and with characters that matter.
    std::string editScript()
    {
        const auto kind = upTo(8);
        const size_t edits = kind < 4 ? 1 : (kind < 7 ? 2 + upTo(3) : 1 + upTo(64));
        std::string script;

        for (size_t e = 0; e < edits; ++e)
        {
            script += static_cast<char>(upTo(3)); // replace, insert or erase; rarely truncate below
            script += static_cast<char>(random());
            script += static_cast<char>(upTo(2));
            script += character();
        }

        if (upTo(16) == 0)
            script[0] = 3;

        return script;
    }

    std::mt19937_64& random;
    const std::vector<std::string>& tokens;
};

bool readFlag(const char* argument, const char* name, std::string& value)
{
    const std::string text(argument);
    const std::string prefix = std::string("-") + name + "=";

    if (text.compare(0, prefix.size(), prefix) != 0)
        return false;

    value = text.substr(prefix.size());
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    double seconds = 20.0;
    int timeoutSeconds = 10;
    unsigned long long seed = 1;
    std::vector<std::string> tokens;

    for (int i = 1; i < argc; ++i)
    {
        std::string value;
        if (readFlag(argv[i], "max_total_time", value))
            seconds = std::atof(value.c_str());
        else if (readFlag(argv[i], "timeout", value))
            timeoutSeconds = std::atoi(value.c_str());
        else if (readFlag(argv[i], "seed", value))
            seed = std::strtoull(value.c_str(), nullptr, 10);
        else if (readFlag(argv[i], "dict", value))
            tokens = readDictionary(value);
    }

    if (tokens.empty())
        tokens.push_back("<");

    std::mt19937_64 random(seed);
    Generator generator(random, tokens);
    const auto start = std::chrono::steady_clock::now();
    const auto budget = std::chrono::duration<double>(seconds);
    unsigned long long inputs = 0;

    // Like libFuzzer's -timeout: an input that does not return is a failure too.
    std::atomic<unsigned long long> finished{0};
    std::atomic<bool> done{false};
    std::string input;
    std::mutex inputLock;
    std::thread watchdog(
        [&]
        {
            auto last = finished.load();
            auto lastChange = std::chrono::steady_clock::now();
            while (!done)
            {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                const auto now = finished.load();
                if (now != last)
                {
                    last = now;
                    lastChange = std::chrono::steady_clock::now();
                }
                else if (std::chrono::steady_clock::now() - lastChange > std::chrono::seconds(timeoutSeconds))
                {
                    const std::lock_guard<std::mutex> hold(inputLock);
                    std::fprintf(stderr, "input %llu did not return within %d s:", now, timeoutSeconds);
                    for (const auto c : input)
                        std::fprintf(stderr, " %02x", static_cast<unsigned char>(c));
                    std::fprintf(stderr, "\n");
                    std::abort();
                }
            }
        });

    while (std::chrono::steady_clock::now() - start < budget)
    {
        for (int batch = 0; batch < 64; ++batch, ++inputs)
        {
            {
                const std::lock_guard<std::mutex> hold(inputLock);
                input = generator.next();
            }
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
            ++finished;
        }
    }

    done = true;
    watchdog.join();

    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("state fuzz: %llu inputs in %.1f s from seed %llu, every check held\n", inputs, elapsed,
                seed);
    return 0;
}
