// Prints the processor's brand string as a user program reads it with cpuid (leaves 0x80000002 to
// 0x80000004, up to the first zero byte, untrimmed), then a line break; nothing when the processor has no
// brand string. The log header's CPU line must say the same: on some virtual machines the kernel's
// /proc/cpuinfo names another processor than cpuid does.
#include <cpuid.h>

#include <cstdio>
#include <cstring>

int main() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    __cpuid(0x80000000u, eax, ebx, ecx, edx);
    char brand[49] = {};
    if (eax >= 0x80000004u) {
        for (unsigned i = 0; i < 3; ++i) {
            unsigned regs[4] = {};
            __cpuid(0x80000002u + i, regs[0], regs[1], regs[2], regs[3]);
            std::memcpy(brand + i * 16, regs, sizeof regs);
        }
    }
    std::printf("%s\n", brand);
    return 0;
}
