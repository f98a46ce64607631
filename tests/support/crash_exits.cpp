// Windows test programs: a crash in any thread ends the program at once with the exception's
// code, after one line saying where it happened. Without this, Wine hands the crash to its
// debugger, which may never return and holds the whole test run.

#include <windows.h>

#include <cstdio>

namespace {

LONG WINAPI endOnCrash(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD& e = *info->ExceptionRecord;
    HMODULE module = nullptr;
    char name[MAX_PATH] = "?";
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(e.ExceptionAddress), &module))
        GetModuleFileNameA(module, name, sizeof(name));
    const auto at = reinterpret_cast<ULONG_PTR>(e.ExceptionAddress);
    const auto base = reinterpret_cast<ULONG_PTR>(module);
    std::fprintf(stderr, "crash: exception %08lx in thread %lu at %s+0x%llx", e.ExceptionCode, GetCurrentThreadId(),
                 name, static_cast<unsigned long long>(at - base));
    if (e.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && e.NumberParameters >= 2)
        std::fprintf(stderr, " (%s 0x%llx)", e.ExceptionInformation[0] ? "writing" : "reading",
                     static_cast<unsigned long long>(e.ExceptionInformation[1]));
    std::fprintf(stderr, "\n");
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), e.ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

const bool installed = [] {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(&endOnCrash);
    return true;
}();

}  // namespace
