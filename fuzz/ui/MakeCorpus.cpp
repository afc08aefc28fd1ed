// Writes the seed corpus of the image decoder fuzz target: small real PNG,
// JPEG and GIF files and hostile variants of them.
#include <cstdio>
#include <filesystem>

#include "TestImages.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    std::filesystem::create_directories(argv[1]);
    int n = testimages::WriteCorpus(argv[1]);
    std::printf("%d seeds written\n", n);
    return n > 0 ? 0 : 1;
}
