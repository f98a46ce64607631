#pragma once
// The fotoloom command line as a function, so that tests run it in-process on every platform.
//
// runFotoloom takes the arguments after the program name, UTF-8, and returns the exit status:
// 0 success, 1 a failure (one line on `err`), 2 a usage error, 130 stopped by Ctrl+C (128 plus
// the interrupt signal's number, as shells report a program the key ended).

#include <ostream>
#include <string>
#include <vector>

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

int runFotoloom(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
