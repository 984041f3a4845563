// The bitness of the process and of Windows, and WOW64 file-system redirection.
#pragma once

namespace velmora::platform {

// The chainer ships as a 32-bit program; the same sources also build as a 64-bit one, the flavour the tests
// run on machines that start no 32-bit code. Behaviour that follows the process's bitness asks these three.
inline constexpr bool kIs64BitProcess = sizeof(void*) == 8;

// True in a 32-bit process on 64-bit Windows. IsWow64Process is looked up at run time (the first releases
// of XP lack it) and asked once per process.
bool RunsUnderWow64();

// True on 64-bit Windows: in a 64-bit process, or in a 32-bit one under WOW64.
inline bool RunsOn64BitWindows() {
    return kIs64BitProcess || RunsUnderWow64();
}

// Turns WOW64 file-system redirection off for its lifetime (only in a 32-bit process on 64-bit Windows).
class Wow64RedirectionScope {
public:
    Wow64RedirectionScope();
    ~Wow64RedirectionScope();
    Wow64RedirectionScope(const Wow64RedirectionScope&) = delete;
    Wow64RedirectionScope& operator=(const Wow64RedirectionScope&) = delete;

    bool Active() const { return disabled_; }

private:
    void* oldValue_ = nullptr;
    bool disabled_ = false;
};

} // namespace velmora::platform
