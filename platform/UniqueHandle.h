// One move-only owner for every kind of Windows handle. A kind is a small policy: the type, the value that
// means "none" and the function that closes it. Nothing else in the program closes a handle.
#pragma once

#include <windows.h>
#include <bcrypt.h>
#include <objbase.h>
#include <wininet.h>

#include <utility>

namespace velmora::platform {

template <typename Traits>
class UniqueHandle {
public:
    using pointer = typename Traits::type;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(pointer value) noexcept : value_(value) {}
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    explicit operator bool() const noexcept { return value_ != Traits::Invalid(); }
    pointer get() const noexcept { return value_; }

    pointer release() noexcept { return std::exchange(value_, Traits::Invalid()); }

    void reset(pointer value = Traits::Invalid()) noexcept {
        pointer old = std::exchange(value_, value);
        if (old != Traits::Invalid())
            Traits::Close(old);
    }

    // Closes the current handle first, then hands out the address for an API that returns a handle.
    pointer* put() noexcept {
        reset();
        return &value_;
    }

private:
    pointer value_ = Traits::Invalid();
};

struct KernelHandleTraits {
    using type = HANDLE;
    static type Invalid() noexcept { return nullptr; }
    static void Close(type h) noexcept { ::CloseHandle(h); }
};

// CreateFileW reports failure as INVALID_HANDLE_VALUE, not as null.
struct FileHandleTraits {
    using type = HANDLE;
    static type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(type h) noexcept { ::CloseHandle(h); }
};

struct FindHandleTraits {
    using type = HANDLE;
    static type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(type h) noexcept { ::FindClose(h); }
};

struct RegistryKeyTraits {
    using type = HKEY;
    static type Invalid() noexcept { return nullptr; }
    static void Close(type h) noexcept { ::RegCloseKey(h); }
};

struct ModuleTraits {
    using type = HMODULE;
    static type Invalid() noexcept { return nullptr; }
    static void Close(type h) noexcept { ::FreeLibrary(h); }
};

struct InternetHandleTraits {
    using type = HINTERNET;
    static type Invalid() noexcept { return nullptr; }
    static void Close(type h) noexcept { ::InternetCloseHandle(h); }
};

// A CNG hash object (BCryptCreateHash).
struct BCryptHashTraits {
    using type = BCRYPT_HASH_HANDLE;
    static type Invalid() noexcept { return nullptr; }
    static void Close(type h) noexcept { ::BCryptDestroyHash(h); }
};

// Security identifiers made by AllocateAndInitializeSid.
struct SidTraits {
    using type = PSID;
    static type Invalid() noexcept { return nullptr; }
    static void Close(type h) noexcept { ::FreeSid(h); }
};

// Memory the system allocated for the caller: shell item lists (CoTaskMemFree), ACLs and security
// descriptors (LocalFree).
template <typename T>
struct CoTaskMemTraits {
    using type = T*;
    static type Invalid() noexcept { return nullptr; }
    static void Close(type p) noexcept { ::CoTaskMemFree(p); }
};

template <typename T>
struct LocalMemTraits {
    using type = T*;
    static type Invalid() noexcept { return nullptr; }
    static void Close(type p) noexcept { ::LocalFree(p); }
};

// Fonts, brushes and other GDI objects made by the program (not stock objects).
struct GdiObjectTraits {
    using type = HGDIOBJ;
    static type Invalid() noexcept { return nullptr; }
    static void Close(type h) noexcept { ::DeleteObject(h); }
};

// A COM interface pointer: one reference, released at the end.
template <typename Interface>
struct ComInterfaceTraits {
    using type = Interface*;
    static type Invalid() noexcept { return nullptr; }
    static void Close(type p) noexcept { p->Release(); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueFind = UniqueHandle<FindHandleTraits>;
using UniqueHkey = UniqueHandle<RegistryKeyTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;
using UniqueInternet = UniqueHandle<InternetHandleTraits>;
using UniqueSid = UniqueHandle<SidTraits>;
using UniqueBCryptHash = UniqueHandle<BCryptHashTraits>;
template <typename T>
using UniqueCoTaskMem = UniqueHandle<CoTaskMemTraits<T>>;
template <typename T>
using UniqueLocalMem = UniqueHandle<LocalMemTraits<T>>;
using UniqueGdiObject = UniqueHandle<GdiObjectTraits>;
template <typename Interface>
using UniqueCom = UniqueHandle<ComInterfaceTraits<Interface>>;

// Both handles of a started process, closed together.
struct UniqueProcessInformation {
    UniqueKernelHandle process;
    UniqueKernelHandle thread;
    DWORD processId = 0;
    DWORD threadId = 0;

    // Takes ownership of what CreateProcessW filled in.
    void Adopt(const PROCESS_INFORMATION& info) noexcept {
        process.reset(info.hProcess);
        thread.reset(info.hThread);
        processId = info.dwProcessId;
        threadId = info.dwThreadId;
    }
};

} // namespace velmora::platform
