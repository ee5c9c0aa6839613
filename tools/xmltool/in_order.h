#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace xmltool {

// Runs work(0) .. work(count - 1) on up to `jobs` threads and hands each result to emit in index
// order, each as soon as it and every one before it are done, on the calling thread: what is
// printed is the same for any number of jobs, and a long run shows its progress as it goes.
// With one job the calling thread does the work itself. An exception from work stops the handing
// out of more work and is thrown again here, once every thread has finished.
template <class Work, class Emit>
void runInOrder(std::size_t count, unsigned jobs, Work work, Emit emit) {
    std::vector<std::string> results(count);
    std::vector<char> done(count, 0);
    std::atomic<std::size_t> nextIndex{0};
    std::mutex mutex;
    std::condition_variable finished;
    std::exception_ptr failure;

    const auto worker = [&] {
        for (std::size_t i; (i = nextIndex.fetch_add(1)) < count;) {
            std::string result;
            std::exception_ptr error;
            try {
                result = work(i);
            } catch (...) {
                error = std::current_exception();
                nextIndex = count;
            }
            const std::lock_guard<std::mutex> lock(mutex);
            if (error) {
                if (!failure) failure = error;
            } else {
                results[i] = std::move(result);
                done[i] = 1;
            }
            finished.notify_one();
        }
    };
    const std::size_t threadCount = jobs < count ? jobs : count;
    std::vector<std::thread> threads;
    for (std::size_t t = 0; threadCount > 1 && t < threadCount; ++t) {
        try {
            threads.emplace_back(worker);
        } catch (const std::system_error&) {
            break;  // the threads there are do the work
        }
    }
    if (threads.empty()) {
        for (std::size_t i = 0; i < count; ++i) emit(work(i));
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        std::unique_lock<std::mutex> lock(mutex);
        finished.wait(lock, [&] { return done[i] || failure; });
        if (!done[i]) break;
        std::string result = std::move(results[i]);
        lock.unlock();
        emit(result);
    }
    for (std::thread& thread : threads) thread.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace xmltool
