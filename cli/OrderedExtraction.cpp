#include "OrderedExtraction.h"

#include "ExtractorCommand.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace {

OrderedExtraction::Result extractOne(const std::string& path, bool diagnostics) {
    OrderedExtraction::Result result;
    result.track =
        ExtractorCommand::extract(path, diagnostics ? &result.diagnostics : nullptr, &result.openError);
    return result;
}

} // namespace

unsigned OrderedExtraction::threadsFor(std::size_t files) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return unsigned(std::min<std::size_t>({cores, kMaxThreads, files}));
}

void OrderedExtraction::run(const std::vector<std::string>& files, bool diagnostics, unsigned threads,
                            const std::function<bool(std::size_t, Result&)>& consume) {
    if (threads <= 1 || files.size() <= 1) {
        for (std::size_t i = 0; i < files.size(); ++i) {
            Result result = extractOne(files[i], diagnostics);
            if (!consume(i, result))
                return;
        }
        return;
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::optional<Result>> done(files.size());
    std::size_t next = 0;     // the next file a reader takes
    std::size_t consumed = 0; // files handed over so far
    bool stopped = false;

    const auto reader = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return stopped || next >= files.size() || next < consumed + kAhead; });
            if (stopped || next >= files.size())
                return;
            const std::size_t index = next++;
            lock.unlock();
            Result result = extractOne(files[index], diagnostics);
            lock.lock();
            done[index] = std::move(result);
            changed.notify_all();
        }
    };
    std::vector<std::jthread> readers;
    for (unsigned i = 0; i < threads; ++i)
        readers.emplace_back(reader);

    for (std::size_t i = 0; i < files.size(); ++i) {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return done[i].has_value(); });
        Result result = std::move(*done[i]);
        done[i].reset();
        lock.unlock();
        const bool more = consume(i, result);
        lock.lock();
        consumed = i + 1;
        stopped = !more;
        changed.notify_all();
        if (stopped)
            break;
    }
    // The readers finish the files under way and leave; the jthreads join here.
}
