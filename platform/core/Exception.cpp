#include "platform/core/Exception.h"

#include <utility>

#include "platform/core/StackTrace.h"

namespace velmora::platform::core {

namespace {

const ExceptionCategory theCategory;

} // namespace

Exception::Exception(std::wstring message, std::wstring sourceFile, long sourceLine, uint32_t code)
    : message_(std::move(message)), code_(code), sourceFile_(std::move(sourceFile)), sourceLine_(sourceLine) {
}

void Exception::Rethrow() const {
    throw Exception(*this);
}

std::unique_ptr<Exception> Exception::Clone(bool withStack) const {
    auto copy = std::make_unique<Exception>(*this);
    if (withStack)
        copy->AppendStackTrace();
    return copy;
}

void Exception::TypeName(std::wstring& name) const {
    name.assign(ExceptionTypeName(Type()));
}

const ExceptionCategory* Exception::Category() const {
    return &theCategory;
}

void Exception::AppendStackTrace() {
    if (message_.find(kStackTraceHeading) == std::wstring::npos)
        StackTrace(message_, nullptr, kMaxStackFrames);
}

SehException::SehException(std::wstring message, std::wstring sourceFile, long sourceLine, uint32_t code,
                           int kind)
    : Exception(std::move(message), std::move(sourceFile), sourceLine, code), kind_(kind) {}

void SehException::Rethrow() const {
    throw SehException(*this);
}

std::unique_ptr<Exception> SehException::Clone(bool withStack) const {
    auto copy = std::make_unique<SehException>(*this);
    if (withStack)
        copy->AppendStackTrace();
    return copy;
}

void SehException::TypeName(std::wstring& name) const {
    name.assign(AccessViolationKindName(kind_));
}

} // namespace velmora::platform::core
