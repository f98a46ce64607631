#pragma once
// A second copy of this test program that runs one disabled test and ends: for a case that may
// crash, or one that leaves the process in a state the tests after it must not inherit. The
// case here waits for the copy's exit code (0 when its test passed).

#include <windows.h>

#include <string>

#include "sidefold_host.h"

constexpr const char* kChildVariable = "SIDEFOLD_TEST_CHILD";

// True inside such a copy; the disabled tests skip themselves anywhere else.
inline bool inChild() { return GetEnvironmentVariableA(kChildVariable, nullptr, 0) != 0; }

class ChildCopy {
public:
    // Runs Suite.DISABLED_test.
    ChildCopy(const char* suite, const char* test)
    {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string command = std::string("\"") + path + "\" --gtest_also_run_disabled_tests --gtest_filter=" + suite +
                              ".DISABLED_" + test;
        SetEnvironmentVariableA(kChildVariable, "1");
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                 &process) != 0;
        SetEnvironmentVariableA(kChildVariable, nullptr);
    }
    ~ChildCopy()
    {
        if (!started) return;
        if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 99);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    ChildCopy(const ChildCopy&) = delete;
    ChildCopy& operator=(const ChildCopy&) = delete;

    // The copy's exit code once it ends (this thread keeps pumping), or -1.
    int exitCode()
    {
        if (!started || !pumpUntil([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }, 30000))
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        return static_cast<int>(code);
    }

    PROCESS_INFORMATION process{};
    bool started = false;
};
