// A password, or any text that must not outlive its use in memory: the one owner of its characters, in a
// buffer of its own that is overwritten whenever the text is replaced, cleared or goes. It is never copied
// behind the caller's back: copies are made on purpose (Assign) and moves hand the buffer over, so no
// temporary, reallocation or freed block keeps the characters.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string_view>

namespace velmora::platform {

class SecretText {
public:
    SecretText() = default;
    explicit SecretText(std::wstring_view text) { Assign(text); }
    SecretText(SecretText&& other) noexcept;
    SecretText& operator=(SecretText&& other) noexcept;
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;
    ~SecretText() { Wipe(); }

    // Replaces the text; the old characters are overwritten first.
    void Assign(std::wstring_view text);
    void Clear() { Wipe(); }
    // Reads the window's text straight into this object's own buffer.
    void AssignWindowText(HWND window);

    const wchar_t* c_str() const { return data_ ? data_.get() : L""; }
    std::wstring_view view() const { return {c_str(), size_}; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

private:
    // Overwrites every character of the buffer and releases it.
    void Wipe() noexcept;
    // A buffer of at least `characters` + 1, the old one wiped.
    void Reserve(std::size_t characters);

    std::unique_ptr<wchar_t[]> data_;
    std::size_t capacity_ = 0; // characters, the terminating zero included
    std::size_t size_ = 0;
};

} // namespace velmora::platform
