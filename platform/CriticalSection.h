// One critical section and the scope that holds it: how the program's own threads take turns.
#pragma once

#include <windows.h>

namespace velmora::platform {

class CriticalSection {
public:
    CriticalSection() { ::InitializeCriticalSection(&section_); }
    ~CriticalSection() { ::DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    CRITICAL_SECTION& Get() { return section_; }

private:
    CRITICAL_SECTION section_;
};

// Holds the section from construction to destruction, whichever way the scope is left.
class ScopedLock {
public:
    explicit ScopedLock(CRITICAL_SECTION& section) : section_(section) { ::EnterCriticalSection(&section_); }
    explicit ScopedLock(CriticalSection& section) : ScopedLock(section.Get()) {}
    ~ScopedLock() { ::LeaveCriticalSection(&section_); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

private:
    CRITICAL_SECTION& section_;
};

} // namespace velmora::platform
