// The floor program of the extraction benchmark (see ExtractionFloor.h): reads the GPS records of each file
// named and decodes nothing; prints a checksum of the bytes read.
//
//   extraction-floor FILE...
#include "ExtractionFloor.h"

#include <cstdio>

int main(int argc, char** argv) {
    std::uint32_t sum = 0;
    for (int i = 1; i < argc; ++i)
        sum += ExtractionFloor::readFile(argv[i]);
    std::printf("%u\n", sum);
    return 0;
}
