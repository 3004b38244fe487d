#include "TelemetryLog.h"

#include <cstdio>

LogSink defaultLogSink() {
    return [](LogChannel channel, std::string_view text) {
        if (channel == LogChannel::StandardOutput) {
            std::fwrite(text.data(), 1, text.size(), stdout);
            std::fflush(stdout);
        } else {
            std::fwrite(text.data(), 1, text.size(), stderr);
            std::fputc('\n', stderr);
        }
    };
}
