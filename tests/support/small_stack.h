#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <stdexcept>

#if defined(_WIN32)
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace small_stack {

struct Job {
    const std::function<void()>& work;
    std::exception_ptr error;
};

inline void run(void* argument) {
    auto* job = static_cast<Job*>(argument);
    try {
        job->work();
    } catch (...) {
        job->error = std::current_exception();
    }
}

#if defined(_WIN32)
inline DWORD WINAPI threadEntry(void* job) {
    run(job);
    return 0;
}
#else
inline void* threadEntry(void* job) {
    run(job);
    return nullptr;
}
#endif

}  // namespace small_stack

// Runs `work` on a thread of its own whose stack is `bytes` in all and waits for it; an exception
// from `work` is rethrown here. Recursion that would overflow that stack crashes the test.
inline void runOnStack(std::size_t bytes, const std::function<void()>& work) {
    small_stack::Job job{work, nullptr};
#if defined(_WIN32)
    // Without the flag the size is only the initial commit and the reserve stays the
    // executable's default. Wine reserves at least 1 MiB whatever is asked for.
    HANDLE thread = CreateThread(nullptr, bytes, small_stack::threadEntry, &job,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!thread) throw std::runtime_error("cannot start a thread");
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
#else
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, bytes);
    pthread_t thread;
    const int started = pthread_create(&thread, &attributes, small_stack::threadEntry, &job);
    pthread_attr_destroy(&attributes);
    if (started != 0) throw std::runtime_error("cannot start a thread");
    pthread_join(thread, nullptr);
#endif
    if (job.error) std::rethrow_exception(job.error);
}
