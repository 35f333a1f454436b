// The unit test programs' entry point: GoogleTest's, with a last handler for
// a crash. Wine's debugger prints a crash's backtrace, but then ends the
// program with the fault's code or, now and then, with 0, which ctest takes
// for a pass: the handler names the test, the fault and its address, and
// ends the program with a failing status first.
#include <windows.h>

#include <stdint.h>
#include <stdio.h>

#include <gtest/gtest.h>

namespace {

enum { kCrashStatus = 3 };

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    fprintf(stderr, "crash in %s.%s: exception 0x%08lX at address 0x%08lX", test ? test->test_suite_name() : "(no test)",
            test ? test->name() : "", record->ExceptionCode,
            static_cast<unsigned long>(reinterpret_cast<uintptr_t>(record->ExceptionAddress)));
    if (record->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record->NumberParameters >= 2) {
        fprintf(stderr, ", %s 0x%08lX", record->ExceptionInformation[0] ? "writing to" : "reading from",
                static_cast<unsigned long>(record->ExceptionInformation[1]));
    }
    fputc('\n', stderr);
    fflush(stdout);
    fflush(stderr);
    // Not ExitProcess: after a fault the program's own state, locks included,
    // cannot be trusted to shut down.
    TerminateProcess(GetCurrentProcess(), kCrashStatus);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int main(int argc, char** argv) {
    SetUnhandledExceptionFilter(ReportCrash);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
