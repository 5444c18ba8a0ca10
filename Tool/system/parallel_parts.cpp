#include "parallel_parts.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace vellix {

std::size_t part_count(std::size_t items, std::size_t least) {
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    return std::max<std::size_t>(1, std::min({cores, items / std::max<std::size_t>(least, 1), std::size_t{8}}));
}

void run_parts(std::size_t parts, const std::function<void(std::size_t part)> &work) {
    std::mutex mutex;
    std::exception_ptr failure;
    const auto guarded = [&](std::size_t part) {
        try {
            work(part);
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex);
            if (!failure) failure = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    for (std::size_t part = 1; part < parts; ++part) {
        try {
            threads.emplace_back(guarded, part);
        } catch (const std::system_error &) {
            guarded(part);  // no thread to be had: this one does the part
        }
    }
    if (parts > 0) guarded(0);
    for (std::thread &thread : threads) thread.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace vellix
