// Runs the fuzz entry point without libFuzzer: every file given (or every
// file in a folder given) as it is, then a fixed number of deterministic
// mutations of it (bit flips, byte changes, truncations, repeats), so that a
// compiler without libFuzzer still exercises the decoders beyond the seeds.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<uint8_t> Mutate(const std::vector<uint8_t>& seed, std::mt19937& rng) {
    std::vector<uint8_t> b = seed;
    int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits; ++e) {
        if (b.empty()) {
            b.push_back(static_cast<uint8_t>(rng()));
            continue;
        }
        size_t at = rng() % b.size();
        switch (rng() % 5) {
            case 0: b[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
            case 1: b[at] = static_cast<uint8_t>(rng()); break;
            case 2: b.resize(at); break;
            case 3: b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at),
                             b.begin() + static_cast<std::ptrdiff_t>(std::min(b.size(), at + 16)));
                break;
            default: b[at] = static_cast<uint8_t>(rng() % 2 ? 0xFF : 0x00); break;
        }
    }
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    int mutations = 200;
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--mutations=", 0) == 0) {
            mutations = std::atoi(arg.c_str() + 12);
        } else if (std::filesystem::is_directory(arg)) {
            for (const auto& e : std::filesystem::directory_iterator(arg))
                if (e.is_regular_file()) files.push_back(e.path());
        } else {
            files.emplace_back(arg);
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: %s [--mutations=N] FILE|DIR...\n", argv[0]);
        return 2;
    }
    std::mt19937 rng(20261207);
    size_t runs = 0;
    for (const auto& f : files) {
        std::ifstream in(f, std::ios::binary);
        std::vector<uint8_t> seed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(seed.data(), seed.size());
        ++runs;
        for (int m = 0; m < mutations; ++m, ++runs) {
            std::vector<uint8_t> input = Mutate(seed, rng);
            LLVMFuzzerTestOneInput(input.data(), input.size());
        }
    }
    std::printf("%zu inputs from %zu seeds ran cleanly\n", runs, files.size());
    return 0;
}
