#include "platform/Processor.h"

#include <cpuid.h>

#include <cstring>

#include "platform/TextConversion.h"
#include "platform/pure/LogFormat.h"

namespace velmora::platform {

std::wstring ProcessorNameFrom(unsigned highestExtendedLeaf, const char (&brand)[48]) {
    if (highestExtendedLeaf < 0x80000004u)
        return std::wstring(kUnknownCpu);
    int length = 0;
    while (length < 48 && brand[length] != '\0')
        ++length;
    return FromAnsi(std::string_view(brand, static_cast<std::size_t>(length)));
}

std::wstring ProcessorName() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    __cpuid(0x80000000u, eax, ebx, ecx, edx);
    const unsigned highest = eax;
    char brand[48] = {};
    if (highest >= 0x80000004u) {
        for (unsigned i = 0; i < 3; ++i) {
            unsigned regs[4] = {};
            __cpuid(0x80000002u + i, regs[0], regs[1], regs[2], regs[3]);
            std::memcpy(brand + i * 16, regs, sizeof regs);
        }
    }
    return ProcessorNameFrom(highest, brand);
}

} // namespace velmora::platform
