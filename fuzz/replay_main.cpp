// Without libFuzzer the same target runs over pseudo-random inputs from a
// fixed seed, so every build can at least replay a few thousand of them.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    const long runs = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 20000;
    std::mt19937 random(20261206);
    std::vector<std::uint8_t> input;
    for (long i = 0; i < runs; ++i) {
        input.resize(random() % 2000);
        for (std::uint8_t& b : input)
            b = static_cast<std::uint8_t>(random());
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("%ld inputs replayed\n", runs);
    return 0;
}
