// The processor's brand name for the log header.
#pragma once

#include <string>

namespace velmora::platform {

// The 48-byte brand string of cpuid leaves 0x80000002 to 0x80000004, from the ANSI code page, untrimmed;
// "UnkownCPU" when the processor has no such leaves.
std::wstring ProcessorName();

// The same from given cpuid answers: the highest extended leaf and the 48 brand bytes (up to the first
// zero byte).
std::wstring ProcessorNameFrom(unsigned highestExtendedLeaf, const char (&brand)[48]);

} // namespace velmora::platform
