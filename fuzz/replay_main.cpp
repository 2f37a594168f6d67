// Without libFuzzer the same target runs over pseudo-random inputs from a
// fixed seed, so every build can at least replay a few thousand of them.
//   FUZZER [RUNS] [-write_seed=DIR] [FILE...]
// With files, each input is one of them with a few bytes changed and maybe
// cut short, so that a format with a magic and a fixed layout gets past its
// first check. LLVMFuzzerInitialize runs first when the target has one.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    long runs = 20000;
    std::vector<std::vector<std::uint8_t>> seeds;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-')
            continue;
        char* end = nullptr;
        const long n = std::strtol(argv[i], &end, 10);
        if (end && *end == '\0') {
            runs = n;
            continue;
        }
        std::ifstream in(argv[i], std::ios::binary);
        seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::mt19937 random(20261206);
    std::vector<std::uint8_t> input;
    for (long i = 0; i < runs; ++i) {
        if (seeds.empty() || random() % 8 == 0) {
            input.resize(random() % 2000);
            for (std::uint8_t& b : input)
                b = static_cast<std::uint8_t>(random());
        } else {
            input = seeds[random() % seeds.size()];
            if (!input.empty()) {
                for (unsigned n = random() % 8; n > 0; --n)
                    input[random() % input.size()] = static_cast<std::uint8_t>(random());
                if (random() % 4 == 0)
                    input.resize(random() % (input.size() + 1));
            }
        }
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("%ld inputs replayed\n", runs);
    return 0;
}
