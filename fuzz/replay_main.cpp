// Runs a fuzz target once over each file named on the command line, without libFuzzer:
// the test suite replays the seed corpora this way, so the targets keep building and the
// inputs that once found faults keep passing in every build.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::ifstream file(argv[i], std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
        const std::vector<uint8_t> input{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("replayed %d inputs\n", argc - 1);
    return 0;
}
