// libFuzzer harness over the box walk, the record decoder and the track builder: any bytes, as a file.
#include "HDGPSMessage.h"
#include "MemorySource.h"
#include "VideoGpsTool.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
    MemorySource source(bytes);
    VideoGpsTool tool;
    tool.setLogSink({});
    std::size_t samples = 0;
    tool.setResultsBlock(
        [&](const TrackInfo& info) { samples = info.videoDatas ? info.videoDatas->size() : 0; });
    tool.walkSource(source);
    // The input's head as a message straight into the decoder, too.
    if (size >= HDGPSMessage::kSize)
        tool.decodecPacket(HDGPSMessage::fromBytes(bytes.first<HDGPSMessage::kSize>()));
    tool.parseGPSComplete("");
    return samples > size ? 1 : 0; // no sample without at least one 8-byte index entry
}
