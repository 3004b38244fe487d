#include "ExtractorCommand.h"

#include <clocale>

int main(int argc, char** argv) {
    // File names in the user's encoding; numbers never go through the locale.
    std::setlocale(LC_ALL, "");
    return ExtractorCommand::run(std::vector<std::string>(argv + 1, argv + argc), stdout, stderr);
}
