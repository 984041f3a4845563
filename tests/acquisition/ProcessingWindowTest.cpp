// The processing window shown for real under Xvfb, its worker running the real engine with exit_with.exe
// as the prerequisites; a second thread drives the window as a person would.
#include "acquisition/ProcessingWindow.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "ProcessingSupport.h"
#include "support/WindowDriver.h"
#include "ui/resources/ResourceIds.h"

using namespace velmora::acquisition;
using namespace velmora::test;

namespace {

constexpr wchar_t kTitle[] = L"Processing Test Setup";

class ProcessingWindow_Run : public ProcessingTestBase {
protected:
    void SetUp() override {
        ProcessingTestBase::SetUp();
        configuration.Options = L"b";
        com_ = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    }
    void TearDown() override {
        if (SUCCEEDED(com_))
            ::CoUninitialize();
        ProcessingTestBase::TearDown();
    }

    // Runs the window on this thread; drive, when given, runs on another thread with the window found.
    int RunWindow(const std::function<void(HWND)>& drive = nullptr) {
        std::thread driver;
        if (drive) {
            driver = std::thread([drive] {
                HWND window = WaitForWindow(::GetCurrentProcessId(), kTitle);
                EXPECT_NE(window, nullptr);
                if (window != nullptr)
                    drive(window);
            });
        }
        const int result = engine->RunProcessingWindow(kTitle);
        if (driver.joinable())
            driver.join();
        return result;
    }

private:
    HRESULT com_ = E_FAIL;
};

bool TextBecomes(HWND window, const std::wstring& text) {
    return WaitUntil([&] { return ControlText(window, IDC_PROCESSING_TEXT) == text; });
}

} // namespace

TEST_F(ProcessingWindow_Run, CompletionWithEverythingFoundEndsWith1) {
    AddHelper(L"Runtime", L"0", L"m", true, L"1500");
    Start();
    std::wstring title;
    bool stepShown = false;
    EXPECT_EQ(RunWindow([&](HWND window) {
                  title = TextOf(window);
                  stepShown = TextBecomes(window, L"Installing Runtime");
              }),
              1);
    EXPECT_EQ(title, kTitle);
    EXPECT_TRUE(stepShown);
    EXPECT_TRUE(MarkerExists(L"Runtime"));
    EXPECT_EQ(Recorded("RuntimeRet"), "0");
}

TEST_F(ProcessingWindow_Run, CompletionWithAMandatoryStillMissingEndsWith7) {
    AddHelper(L"Optional", L"3", L"", false);
    AddHelper(L"Stubborn", L"0", L"m", false);
    Start();
    EXPECT_EQ(RunWindow(), 7);
    EXPECT_EQ(Recorded("OptionalRet"), "3");
    EXPECT_EQ(Recorded("StubbornRet"), "0");
}

TEST_F(ProcessingWindow_Run, CancelEndsWith2AndNoFurtherPrerequisiteStarts) {
    AddHelper(L"Slow", L"0", L"", true, L"2000");
    AddHelper(L"Next", L"0");
    Start();
    EXPECT_EQ(RunWindow([](HWND window) {
                  ASSERT_TRUE(TextBecomes(window, L"Installing Slow"));
                  EXPECT_TRUE(Press(window, IDC_PROCESSING_CANCEL));
              }),
              2);
    // The running launch was waited for; the next one never started.
    EXPECT_TRUE(MarkerExists(L"Slow"));
    EXPECT_FALSE(MarkerExists(L"Next"));
}

TEST_F(ProcessingWindow_Run, MandatoryFailureStaysOpenShowingItUntilCancel) {
    AddHelper(L"Broken", L"7", L"m", false);
    AddHelper(L"Next", L"0");
    Start();
    EXPECT_EQ(RunWindow([](HWND window) {
                  EXPECT_TRUE(TextBecomes(window, L"Broken"));
                  // Still open a while after the failure: only Cancel ends it.
                  ::Sleep(300);
                  EXPECT_TRUE(::IsWindow(window));
                  EXPECT_TRUE(ControlVisible(window, IDC_PROCESSING_PROGRESS));
                  EXPECT_TRUE(Press(window, IDC_PROCESSING_CANCEL));
              }),
              2);
    EXPECT_FALSE(MarkerExists(L"Next"));
}

TEST_F(ProcessingWindow_Run, EndingSessionStopsBeforeTheNextPrerequisite) {
    AddHelper(L"Slow", L"0", L"", true, L"1500");
    AddHelper(L"Next", L"0");
    Start();
    EXPECT_EQ(RunWindow([](HWND window) {
                  ASSERT_TRUE(TextBecomes(window, L"Installing Slow"));
                  DWORD_PTR answer = 0;
                  ::SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 5000, &answer);
              }),
              1);
    EXPECT_TRUE(engine->RebootInProgress());
    EXPECT_FALSE(MarkerExists(L"Next"));
}

TEST_F(ProcessingWindow_Run, CalledOffSessionEndChangesNothing) {
    AddHelper(L"Slow", L"0", L"", true, L"1500");
    AddHelper(L"Next", L"0");
    Start();
    EXPECT_EQ(RunWindow([](HWND window) {
                  ASSERT_TRUE(TextBecomes(window, L"Installing Slow"));
                  DWORD_PTR answer = 0;
                  ::SendMessageTimeoutW(window, WM_ENDSESSION, FALSE, 0, SMTO_NORMAL, 5000, &answer);
              }),
              1);
    EXPECT_FALSE(engine->RebootInProgress());
    EXPECT_TRUE(MarkerExists(L"Next"));
}
