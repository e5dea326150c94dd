#include "MonotonicClock.h"

#include <thread>

std::chrono::nanoseconds SteadyClock::now() {
    return std::chrono::steady_clock::now().time_since_epoch();
}

void SteadyClock::sleepFor(std::chrono::nanoseconds duration) {
    std::this_thread::sleep_for(duration);
}
