// One owner for a COM interface pointer: releases it when it goes, adds a reference when copied.
// put() releases what it holds before handing out its address, so an out-parameter never leaks.
#pragma once

#include <unknwn.h>

#include <utility>

namespace velmora::platform {

template <typename T> class ComPtr {
public:
    ComPtr() noexcept = default;
    // Takes over a reference the caller already owns.
    explicit ComPtr(T* owned) noexcept : value_(owned) {}
    ComPtr(const ComPtr& other) noexcept : value_(other.value_) {
        if (value_ != nullptr)
            value_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : value_(other.release()) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(value_, other.value_);
        return *this;
    }
    ~ComPtr() { reset(); }

    explicit operator bool() const noexcept { return value_ != nullptr; }
    T* get() const noexcept { return value_; }
    T* operator->() const noexcept { return value_; }

    T* release() noexcept { return std::exchange(value_, nullptr); }
    void reset() noexcept {
        if (T* old = std::exchange(value_, nullptr))
            old->Release();
    }
    T** put() noexcept {
        reset();
        return &value_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    // QueryInterface for another interface of the same object.
    template <typename U> HRESULT As(const IID& iid, ComPtr<U>& other) const noexcept {
        return value_->QueryInterface(iid, other.put_void());
    }

private:
    T* value_ = nullptr;
};

} // namespace velmora::platform
