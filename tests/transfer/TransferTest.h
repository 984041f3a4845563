// What the transfer engine's tests share: a sink that records every call and answers as each test says, and
// a fixture with a folder of its own that needs the test servers (with_servers.py).
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "TransferSupport.h"
#include "support/TestSupport.h"
#include "transfer/ProgressSink.h"
#include "transfer/pure/TransferRules.h"

namespace velmora::test {

class RecordingSink : public transfer::ProgressSink {
public:
    struct Report {
        std::wstring text;
        std::uint32_t code;
        std::uintptr_t context;
    };

    void Begin(std::uint64_t, std::uint32_t) override {}
    void TransferStarted(std::uint32_t kind, std::uint64_t totalBytes,
                         std::wstring_view targetPath) override {
        started.push_back(totalBytes);
        startedKind = kind;
        startedPath.assign(targetPath);
    }
    void Completed(std::uint32_t kind, std::uint32_t) override { completed.push_back(kind); }
    void BytesDone(std::uint64_t count) override {
        bytes += count;
        ++bytesCalls;
    }
    bool IsCancelled() override { return cancelWhen && cancelWhen(*this); }
    bool IsPaused() override {
        if (pausedChecks == 0)
            return false;
        --pausedChecks;
        return true;
    }
    std::uint32_t ReportError(std::wstring_view text, std::uint32_t code, std::uintptr_t context) override {
        reports.push_back({std::wstring(text), code, context});
        return answer ? answer(code) : code;
    }
    void SetStatus(std::wstring_view, std::uint32_t, std::uint32_t) override {}

    // Answers as a sink that lets the person accept a certificate would: allows it on the request (the
    // context of the question) and answers 0; gives up on anything else.
    void AcceptCertificates() {
        answer = [this](std::uint32_t code) {
            if (!transfer::IsCertificateError(code))
                return code;
            HINTERNET request =
                reinterpret_cast<HINTERNET>(static_cast<std::uintptr_t>(reports.back().context));
            DWORD flags = 0;
            DWORD size = sizeof flags;
            ::InternetQueryOptionW(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, &size);
            flags |= SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID |
                     SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;
            ::InternetSetOptionW(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
            return 0u;
        };
    }

    std::vector<std::uint64_t> started;
    std::uint32_t startedKind = 0;
    std::wstring startedPath;
    std::vector<std::uint32_t> completed;
    std::uint64_t bytes = 0;
    int bytesCalls = 0;
    int pausedChecks = 0;
    std::vector<Report> reports;
    std::function<bool(const RecordingSink&)> cancelWhen;
    std::function<std::uint32_t(std::uint32_t)> answer;
};

class TransferTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Env(L"VELMORA_HTTP_PORT").empty()) << "run through with_servers.py";
    }

    std::wstring Target(const wchar_t* name = L"setup.exe") const { return folder.Child(name); }

    ScopedFolder folder;
    RecordingSink sink;
};

} // namespace velmora::test
