#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

// Ends the test program if it is still alive when the time is up: a deadlocked thread cannot be
// joined, so a test that waited for it would hang until CTest's own timeout instead of failing.
class Watchdog
{
public:
    Watchdog(std::string whatToFinish, std::chrono::seconds limit)
        : what(std::move(whatToFinish)), thread([this, limit] { watch(limit); })
    {
    }

    ~Watchdog()
    {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            finished = true;
        }
        wake.notify_one();
        thread.join();
    }

private:
    void watch(std::chrono::seconds limit)
    {
        std::unique_lock<std::mutex> lock(mutex);
        if (!wake.wait_for(lock, limit, [this] { return finished; }))
        {
            std::fprintf(stderr, "\nDeadlock? %s did not finish within %d s\n", what.c_str(),
                         (int)limit.count());
            std::fflush(stderr);
            std::_Exit(3);
        }
    }

    std::string what;
    std::mutex mutex;
    std::condition_variable wake;
    bool finished = false;
    std::thread thread;
};
