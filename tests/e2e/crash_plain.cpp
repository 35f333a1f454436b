// A program that crashes on purpose, for crashreport.sh: a write through a
// bad pointer, the fault a broken program most often meets; as the host
// would, with no handler of its own.
#include <stdint.h>
#include <stdio.h>

int main() {
    printf("crashreport: writing to address 0x10\n");
    fflush(stdout);
    // Read at run time, so that the compiler neither warns nor drops the write.
    volatile uintptr_t address = 0x10;
    *reinterpret_cast<volatile int*>(address) = 1;
    return 0;
}
