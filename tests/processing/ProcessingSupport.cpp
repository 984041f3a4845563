#include "ProcessingSupport.h"

#include <cstdio>

namespace velmora::test {

std::uint32_t CopyingTransfer::Download(std::wstring_view url, std::wstring_view targetPath,
                                        std::uint64_t expectedSize, transfer::DigestKinds kinds,
                                        transfer::ProgressSink* sink, processing::TransferReceipt& receipt) {
    if (kinds.md5)
        receipt.digests.md5 = digest;
    calls.push_back({std::wstring(url), std::wstring(targetPath), expectedSize, sink != nullptr});
    if (during)
        during();
    if (failWith != 0)
        return failWith;
    if (!::CopyFileW(std::wstring(url).c_str(), std::wstring(targetPath).c_str(), FALSE))
        return ::GetLastError();
    return 0;
}

std::uint32_t RecordingSink::ReportError(std::wstring_view text, std::uint32_t code, std::uintptr_t) {
    wchar_t hex[16];
    std::swprintf(hex, 16, L"%#x", code);
    calls.push_back(L"ReportError " + std::wstring(text) + L" " + hex);
    return code;
}

void ProcessingTestBase::SetUp() {
    LogTestBase::SetUp();
    ASSERT_TRUE(::CopyFileW(ExitWithHelper().c_str(), kit.Child(L"helper.exe").c_str(), FALSE));
    extraction.SetChainerPath(kit.Child(L"setup.exe"));
    configuration.DownloadFolder = kit.Child(L"downloads");
    configuration.Options = L"q";
}

std::wstring ProcessingTestBase::MarkerKey(const std::wstring& name) const {
    return key.SubKey() + L"\\Installed" + name;
}

bool ProcessingTestBase::MarkerExists(const std::wstring& name) const {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, MarkerKey(name).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(opened);
    return true;
}

config::PrerequisiteRecord& ProcessingTestBase::AddHelper(const std::wstring& name,
                                                          const std::wstring& exitCode,
                                                          const std::wstring& options, bool createsMarker,
                                                          const std::wstring& sleepMs) {
    config::PrerequisiteRecord record;
    record.Name = name;
    record.Source = L"helper.exe";
    record.SourceKind = config::SourceKey::SetupFile;
    record.Options = options;
    std::wstring arguments = exitCode + L" - " + sleepMs;
    if (createsMarker)
        arguments += L" \"" + MarkerKey(name) + L"\"";
    record.CommandLine = record.BasicUiCommandLine = record.NoUiCommandLine = arguments;
    record.RetValPropName = name + L"Ret";
    record.Searches.push_back({5, L"HKCU\\" + MarkerKey(name), L"", L"", L"", L""});
    configuration.Prerequisites.push_back(record);
    return configuration.Prerequisites.back();
}

config::PrerequisiteRecord& ProcessingTestBase::AddDownload(const std::wstring& name,
                                                            const std::wstring& source,
                                                            const std::wstring& options) {
    config::PrerequisiteRecord& record = AddHelper(name, L"0", options);
    record.Source = source;
    record.SourceKind = config::SourceKey::Url;
    return record;
}

void ProcessingTestBase::Start() {
    machine = std::make_unique<detection::MachineEvaluation>(extraction);
    evaluator = std::make_unique<detection::PrerequisiteEvaluator>(configuration, *machine);
    evaluator->EvaluateAll();
    engine = std::make_unique<processing::ProcessingEngine>(
        processing::ProcessingEngineParts{configuration, *evaluator, extraction, store, transfer, &restart});
}

std::string ProcessingTestBase::Recorded(const char* name) {
    std::string text;
    return store.Get(name, text) == config::InterbootStore::kOk ? text : "<none>";
}

} // namespace velmora::test
