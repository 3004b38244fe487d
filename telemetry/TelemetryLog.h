#pragma once

#include <functional>
#include <string_view>

// Where the extraction's diagnostics go. The player routes them to its log; the extractor keeps them off
// standard output. Lines carry no trailing line break.
enum class LogChannel {
    Log,            // the application log
    StandardOutput, // the box walk's one diagnostic that goes to standard output, without a line break
};

// The wording of the diagnostics: Original is the fixed texts the player's log has always carried (several of
// them Chinese, which people who read the player's logs search for); English is for the command-line tools.
enum class LogLanguage { Original, English };

// An empty function discards everything.
using LogSink = std::function<void(LogChannel channel, std::string_view text)>;

// Log lines to standard error (one per line), StandardOutput text to standard output as it is.
LogSink defaultLogSink();
