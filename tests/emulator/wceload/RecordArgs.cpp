// Stands in for the host's browser in tests: writes its arguments after the
// first, one per line, into the file named by the first, then renames it into
// place so that a reader never sees half of it.
#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    std::string target = argv[1], tmp = target + ".tmp";
    {
        std::ofstream out(tmp);
        for (int i = 2; i < argc; ++i) out << argv[i] << "\n";
    }
    return std::rename(tmp.c_str(), target.c_str()) == 0 ? 0 : 1;
}
