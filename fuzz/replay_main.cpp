// Without libFuzzer the same target runs as a plain program:
//   FUZZER [RUNS] [-write_seed=DIR] [FILE|FOLDER...]
// Every file named, and every file in a folder named (in name order), is run
// once exactly as it is; with RUNS 0 that is all, which is how the kept
// inputs of fuzz/regressions are replayed. Then RUNS (20000 unless given)
// pseudo-random inputs follow from a fixed seed: with files, each is one of
// them with a few bytes changed and maybe cut short, so that a format with a
// magic and a fixed layout gets past its first check; without, random bytes.
// A file that cannot be read ends the run with status 2. LLVMFuzzerInitialize
// runs first when the target has one.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

// The files an argument names: itself, or a folder's regular files by name.
bool CollectFiles(const std::filesystem::path& arg, std::vector<std::filesystem::path>& files)
{
    std::error_code error;
    if (!std::filesystem::is_directory(arg, error)) {
        files.push_back(arg);
        return true;
    }
    std::vector<std::filesystem::path> inside;
    for (const auto& entry : std::filesystem::directory_iterator(arg, error)) {
        if (entry.is_regular_file(error))
            inside.push_back(entry.path());
    }
    if (error) {
        std::fprintf(stderr, "cannot list %s: %s\n", arg.c_str(), error.message().c_str());
        return false;
    }
    std::sort(inside.begin(), inside.end());
    files.insert(files.end(), inside.begin(), inside.end());
    return true;
}

bool ReadFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Runs one input from a heap block of exactly its size, as libFuzzer does: a
// vector's spare capacity would hide a read past the end from the checks.
void RunOne(const std::vector<std::uint8_t>& input)
{
    const std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[input.size()]);
    std::copy(input.begin(), input.end(), copy.get());
    LLVMFuzzerTestOneInput(copy.get(), input.size());
}

} // namespace

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    long runs = 20000;
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-')
            continue;
        char* end = nullptr;
        const long n = std::strtol(argv[i], &end, 10);
        if (end && *end == '\0') {
            runs = n;
            continue;
        }
        if (!CollectFiles(argv[i], files))
            return 2;
    }

    std::vector<std::vector<std::uint8_t>> seeds;
    for (const std::filesystem::path& path : files) {
        std::vector<std::uint8_t> bytes;
        if (!ReadFile(path, bytes)) {
            std::fprintf(stderr, "cannot read %s\n", path.c_str());
            return 2;
        }
        std::printf("Running: %s (%zu bytes)\n", path.c_str(), bytes.size());
        std::fflush(stdout);
        RunOne(bytes);
        seeds.push_back(std::move(bytes));
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
        RunOne(input);
    }
    std::printf("%zu files and %ld pseudo-random inputs replayed\n", files.size(),
                std::max(runs, 0L));
    return 0;
}
