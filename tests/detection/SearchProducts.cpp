#include "detection/SearchProducts.h"

#include <windows.h>

#include "execution/ProcessStart.h"
#include "support/TestSupport.h"

namespace velmora::test {

namespace {

DWORD installResult = ERROR_SUCCESS;

DWORD Msiexec(const std::wstring& arguments) {
    // On a refused start the exit code holds the start's error, which is just as good a failure here.
    DWORD exitCode = 0;
    (void)execution::RunProcessAndWait(L"", L"msiexec.exe " + arguments, NORMAL_PRIORITY_CLASS, &exitCode);
    return exitCode;
}

} // namespace

void InstalledSearchProducts::SetUpTestSuite() {
    installResult = ERROR_SUCCESS;
    for (const wchar_t* letter : {L"A", L"B"}) {
        const std::wstring msi = TestBinaryFolder() + L"\\search_product_" + letter + L".msi";
        DWORD result = Msiexec(L"/i \"" + msi + L"\" /qn");
        if (result != ERROR_SUCCESS)
            installResult = result;
    }
}

void InstalledSearchProducts::TearDownTestSuite() {
    for (const wchar_t* product : {kProductA, kProductB})
        (void)Msiexec(std::wstring(L"/x ") + product + L" /qn");
}

unsigned long InstalledSearchProducts::InstallResult() {
    return installResult;
}

} // namespace velmora::test
