// Work in the multithreaded apartment on a thread of its own, behind the crash boundary.
#include "platform/core/ApartmentThread.h"

#include <objbase.h>

#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

using namespace velmora::platform::core;

namespace {

class RecordingSink final : public ConsoleSink {
public:
    void Write(std::wstring_view text) override { written += text; }
    std::wstring written;
};

} // namespace

TEST(Crash_ApartmentThread, RunsTheWorkInTheMultithreadedApartmentWhateverTheCallersApartment) {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    DWORD workThread = 0;
    APTTYPE apartment = APTTYPE_CURRENT;
    APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
    const ApartmentRun run = RunInMultithreadedApartment([&] {
        workThread = ::GetCurrentThreadId();
        if (FAILED(::CoGetApartmentType(&apartment, &qualifier)))
            apartment = APTTYPE_CURRENT;
    });
    ::CoUninitialize();
    EXPECT_TRUE(run.WorkRan());
    EXPECT_EQ(run.result, S_OK);
    EXPECT_NE(workThread, ::GetCurrentThreadId());
    EXPECT_EQ(apartment, APTTYPE_MTA);
}

TEST(Crash_ApartmentThread, FailureOfTheWorkIsPresentedOnItsThreadAndGoesNoFurther) {
    RecordingSink sink;
    CrashReporting reporting;
    reporting.console = &sink;
    bool reached = false;
    const ApartmentRun run = RunInMultithreadedApartment(
        [&] {
            reached = true;
            throw std::runtime_error("apartment work broke");
        },
        reporting);
    EXPECT_TRUE(reached);
    EXPECT_TRUE(run.WorkRan());
    EXPECT_NE(sink.written.find(L"apartment work broke"), std::wstring::npos) << sink.written;
}
