#pragma once
#include <chrono>
#include <thread>
#include <utility>

namespace quorvin::test {

// How long a test waits for what takes a moment: far beyond what a slow or busy machine needs, so that only a
// broken build reaches it.
inline constexpr std::chrono::seconds GenerousWait{60};

// Asks `done` until it holds or `limit` has passed, running `pause` in between (a window test lets its event
// loop run there); whether it held.
template <typename Done, typename Pause>
bool waitUntil(Done &&done, Pause &&pause, std::chrono::steady_clock::duration limit = GenerousWait)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        pause();
    }
    return true;
}

template <typename Done> bool waitUntil(Done &&done)
{
    return waitUntil(std::forward<Done>(done),
                     [] { std::this_thread::sleep_for(std::chrono::milliseconds(5)); });
}

} // namespace quorvin::test
