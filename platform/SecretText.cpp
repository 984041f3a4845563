#include "platform/SecretText.h"

#include <utility>

namespace velmora::platform {

SecretText::SecretText(SecretText&& other) noexcept
    : data_(std::move(other.data_)), capacity_(std::exchange(other.capacity_, 0)),
      size_(std::exchange(other.size_, 0)) {}

SecretText& SecretText::operator=(SecretText&& other) noexcept {
    if (this != &other) {
        Wipe();
        data_ = std::move(other.data_);
        capacity_ = std::exchange(other.capacity_, 0);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

void SecretText::Wipe() noexcept {
    if (data_)
        ::SecureZeroMemory(data_.get(), capacity_ * sizeof(wchar_t));
    data_.reset();
    capacity_ = 0;
    size_ = 0;
}

void SecretText::Reserve(std::size_t characters) {
    if (data_ && characters < capacity_) {
        ::SecureZeroMemory(data_.get(), capacity_ * sizeof(wchar_t));
        return;
    }
    Wipe();
    data_ = std::make_unique<wchar_t[]>(characters + 1);
    capacity_ = characters + 1;
}

void SecretText::Assign(std::wstring_view text) {
    Reserve(text.size());
    text.copy(data_.get(), text.size());
    data_[text.size()] = L'\0';
    size_ = text.size();
}

void SecretText::AssignWindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    Reserve(length > 0 ? static_cast<std::size_t>(length) : 0);
    const int read = length > 0 ? ::GetWindowTextW(window, data_.get(), length + 1) : 0;
    size_ = read > 0 ? static_cast<std::size_t>(read) : 0;
    data_[size_] = L'\0';
}

} // namespace velmora::platform
