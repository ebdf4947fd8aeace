// Work on the items [0, count) split into contiguous chunks, one thread a chunk, for reading a
// run's table on every core. No Qt.
#pragma once

#include <algorithm>
#include <cstddef>
#include <exception>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

// Calls work(begin, end, chunk) for contiguous chunks covering [0, count) in order, the first on
// the calling thread and the others on threads of their own; returns the chunks' bounds
// (chunks + 1 of them, the last being count) once every call has returned. Fewer items than
// minChunk a chunk use fewer threads; one thread when the machine tells nothing of its cores. An
// exception thrown by any call is thrown again here, after all have ended.
inline std::vector<std::size_t> forEachChunk(
    std::size_t count, std::size_t minChunk,
    const std::function<void(std::size_t begin, std::size_t end, std::size_t chunk)>& work) {
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t chunks =
        std::clamp<std::size_t>(count / std::max<std::size_t>(minChunk, 1), 1, cores);
    std::vector<std::size_t> bounds(chunks + 1);
    for (std::size_t c = 0; c <= chunks; ++c) bounds[c] = count * c / chunks;

    std::vector<std::exception_ptr> failures(chunks);
    const auto run = [&](std::size_t c) {
        try {
            work(bounds[c], bounds[c + 1], c);
        } catch (...) {
            failures[c] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(chunks - 1);
    try {
        for (std::size_t c = 1; c < chunks; ++c) threads.emplace_back(run, c);
    } catch (const std::system_error&) {
        // No thread to be had: the chunks not started run here, one after the other.
        for (std::size_t c = threads.size() + 1; c < chunks; ++c) run(c);
    }
    run(0);
    for (std::thread& thread : threads) thread.join();
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
    return bounds;
}
