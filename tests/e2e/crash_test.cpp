// A unit test program whose test crashes on purpose, for crashreport.sh: it
// runs with the unit tests' own entry point (tests/support/testmain.cpp).
#include <stdint.h>

#include <gtest/gtest.h>

TEST(Crash, WritesThroughABadPointer) {
    // Read at run time, so that the compiler neither warns nor drops the write.
    volatile uintptr_t address = 0x10;
    *reinterpret_cast<volatile int*>(address) = 1;
}
