#pragma once
// How the build starts its picture workers: a seam, so that tests can refuse threads.

#include <functional>
#include <thread>

// Starts a thread; throws std::system_error when the system has none to give. Tests replace it.
using ThreadStarter = std::function<std::thread(std::function<void()>)>;
