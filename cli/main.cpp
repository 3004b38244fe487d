#include "ExtractorCommand.h"

int main(int argc, char** argv) {
    // No setlocale: file names are passed on as the bytes they are, numbers never go through the locale, and
    // the messages are English whatever the user's language.
    return ExtractorCommand::run(std::vector<std::string>(argv + 1, argv + argc), stdout, stderr);
}
