// Spectra shared out among threads; the calling thread works too and reports the progress.
#include "files/RunPass.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "files/RunReader.h"

int passThreads(const iRunReader& run, int threads) {
    if (!run.concurrentLoads()) return 1;
    if (threads <= 0) threads = static_cast<int>(std::thread::hardware_concurrency());
    // More threads than this only fight over the memory bus.
    return std::clamp(threads, 1, 8);
}

bool runPass(std::size_t count, int threads, const std::function<void(std::size_t)>& work,
             const TChromatogramProgress& progress) {
    std::size_t reported = 0;
    if (progress && !progress(0, count)) return false;
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{0};
    std::atomic<bool> stop{false};
    std::exception_ptr failure;
    std::mutex failureLock;

    const auto workOn = [&](bool reports) {
        while (!stop.load()) {
            const std::size_t slot = next.fetch_add(1);
            if (slot >= count) break;
            try {
                work(slot);
            } catch (...) {
                const std::lock_guard<std::mutex> lock(failureLock);
                if (!failure) failure = std::current_exception();
                stop = true;
                break;
            }
            const std::size_t now = done.fetch_add(1) + 1;
            if (reports && progress && now < count) {
                reported = now;
                if (!progress(now, count)) stop = true;
            }
        }
    };

    std::vector<std::thread> helpers;
    const auto wanted = static_cast<std::size_t>(std::max(threads, 1)) - 1;
    try {
        for (std::size_t i = 0; i < std::min(wanted, count > 0 ? count - 1 : 0); ++i)
            helpers.emplace_back(workOn, false);
    } catch (const std::system_error&) {
        // No more threads to be had: those started and this one share the spectra.
    }
    workOn(true);
    for (std::thread& helper : helpers) helper.join();

    if (failure) std::rethrow_exception(failure);
    if (stop.load()) return false;
    if (progress && reported != count && !progress(count, count)) return false;
    return true;
}
