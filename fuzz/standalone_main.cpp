// Runs a fuzz target without libFuzzer (g++ builds, CI's short mode): deterministic
// pseudo-random inputs of growing length, or the files named on the command line.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    if (argc > 1) {
        for (int i = 1; i < argc; ++i) {
            std::ifstream in(argv[i], std::ios::binary);
            std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
        }
        return 0;
    }
    const int runs = std::getenv("FUZZ_RUNS") ? std::atoi(std::getenv("FUZZ_RUNS")) : 20000;
    std::mt19937 random(7140);
    std::vector<uint8_t> input;
    for (int run = 0; run < runs; ++run) {
        input.resize(static_cast<size_t>(run % 512));
        for (uint8_t& b : input) b = static_cast<uint8_t>(random());
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("%d inputs, no failure\n", runs);
    return 0;
}
