// libFuzzer harness over the box walk, the record decoder and the track builder: any bytes, as a file.
#include "HDGPSMessage.h"
#include "MemorySource.h"
#include "VideoGpsTool.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
    MemorySource source(bytes);
    VideoGpsTool tool;
    tool.setLogSink({});
    tool.walkSource(source);
    // However the index points, the bytes bound the work: no more records than the file can hold.
    const std::uint64_t limit = VideoGpsTool::recordLimit(size);
    if (tool.recordsRead() > limit || tool.resultsArray().size() > limit ||
        std::uint64_t(tool.secondNum()) > limit)
        std::abort();
    // The input's head as a message straight into the decoder, too.
    if (size >= HDGPSMessage::kSize)
        tool.decodecPacket(HDGPSMessage::fromBytes(bytes.first<HDGPSMessage::kSize>()));
    int calls = 0;
    tool.setResultsBlock([&](const TrackInfo&) { ++calls; });
    tool.parseGPSComplete("");
    if (calls != 1)
        std::abort();
    return 0;
}
