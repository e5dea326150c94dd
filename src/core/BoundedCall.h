#pragma once

#include <chrono>
#include <functional>

// Runs a file operation on a thread of its own and waits for it at most the timeout, with the
// event loop running once the first few milliseconds have passed, so that a file system that
// stops answering (a dead network mount) never holds the window. After a timeout the operation
// is left to finish, or not, on its own: everything it touches must be owned by it.
enum class BoundedResult { Succeeded, Failed, TimedOut };
BoundedResult runBounded(std::function<bool()> operation, std::chrono::milliseconds timeout);

// How long a file operation may take before the program gives up on it.
constexpr std::chrono::milliseconds kFileAnswerTimeout{3000};
