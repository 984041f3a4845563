#include "config/InterbootStore.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "platform/TextConversion.h"

using velmora::config::InterbootStore;
using velmora::test::ScopedRegistryKey;

namespace {

class InterbootStoreTest : public ::testing::Test {
protected:
    ScopedRegistryKey key;
    InterbootStore store{velmora::platform::ToAnsi(key.SubKey() + L"\\InterbootContext")};

    DWORD RawType(const char* name) {
        HKEY handle = nullptr;
        DWORD type = 0;
        std::string path = velmora::platform::ToAnsi(key.SubKey() + L"\\InterbootContext");
        if (::RegOpenKeyA(HKEY_CURRENT_USER, path.c_str(), &handle) == ERROR_SUCCESS) {
            ::RegQueryValueExA(handle, name, nullptr, &type, nullptr, nullptr);
            ::RegCloseKey(handle);
        }
        return type;
    }
};

} // namespace

TEST_F(InterbootStoreTest, SetWritesOnceAndNeverOverwrites) {
    EXPECT_EQ(store.Set("App1Ret", "3010"), InterbootStore::kOk);
    EXPECT_EQ(store.Set("App1Ret", "0"), InterbootStore::kAlreadySet);
    std::string text;
    EXPECT_EQ(store.Get("App1Ret", text), InterbootStore::kOk);
    EXPECT_EQ(text, "3010");
    EXPECT_EQ(RawType("App1Ret"), static_cast<DWORD>(REG_SZ));
}

TEST_F(InterbootStoreTest, SetIntFormatsSignedDecimal) {
    store.SetInt("neg", -1);
    store.SetInt("zero", 0);
    store.SetInt("min", INT32_MIN);
    std::string text;
    ASSERT_EQ(store.Get("neg", text), InterbootStore::kOk);
    EXPECT_EQ(text, "-1");
    ASSERT_EQ(store.Get("zero", text), InterbootStore::kOk);
    EXPECT_EQ(text, "0");
    ASSERT_EQ(store.Get("min", text), InterbootStore::kOk);
    EXPECT_EQ(text, "-2147483648");
}

TEST_F(InterbootStoreTest, GetIntRequiresTheWholeText) {
    ASSERT_EQ(store.Set("good", "-42"), InterbootStore::kOk);
    ASSERT_EQ(store.Set("bad", "12abc"), InterbootStore::kOk);
    std::int32_t number = 7;
    EXPECT_EQ(store.GetInt("good", number), InterbootStore::kOk);
    EXPECT_EQ(number, -42);
    number = 7;
    EXPECT_EQ(store.GetInt("bad", number), InterbootStore::kNotANumber);
    EXPECT_EQ(number, 7);
    // A missing value reads as empty text: 0 and success.
    EXPECT_EQ(store.GetInt("missing", number), InterbootStore::kOk);
    EXPECT_EQ(number, 0);
}

TEST_F(InterbootStoreTest, GetWithoutKeyIsMissing) {
    std::string text = "stale";
    EXPECT_EQ(store.Get("x", text), InterbootStore::kMissing);
    EXPECT_TRUE(store.Values().empty());
}

TEST_F(InterbootStoreTest, LongValuesAreReadWhole) {
    std::string text(1000, 'z');
    ASSERT_EQ(store.Set("long", text), InterbootStore::kOk);
    std::string read;
    EXPECT_EQ(store.Get("long", read), InterbootStore::kOk);
    EXPECT_EQ(read, text);
}

TEST_F(InterbootStoreTest, ValuesEnumeratesEveryRecordedValue) {
    ASSERT_EQ(store.Set("a", "1"), InterbootStore::kOk);
    ASSERT_EQ(store.Set("b", "2"), InterbootStore::kOk);
    auto values = store.Values();
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0], (std::pair<std::string, std::string>{"a", "1"}));
    EXPECT_EQ(values[1], (std::pair<std::string, std::string>{"b", "2"}));
}

TEST_F(InterbootStoreTest, RemoveAndDeleteKey) {
    ASSERT_EQ(store.Set("a", "1"), InterbootStore::kOk);
    store.Remove("a");
    std::string text;
    EXPECT_EQ(store.Get("a", text), InterbootStore::kMissing);
    ASSERT_EQ(store.Set("b", "2"), InterbootStore::kOk);
    store.DeleteKey();
    EXPECT_TRUE(store.Values().empty());
}

TEST_F(InterbootStoreTest, ValueWrittenByAnotherRunWithoutTerminatorIsRead) {
    ASSERT_EQ(store.Set("seed", "x"), InterbootStore::kOk);
    HKEY handle = nullptr;
    std::string path = velmora::platform::ToAnsi(key.SubKey() + L"\\InterbootContext");
    ASSERT_EQ(::RegOpenKeyA(HKEY_CURRENT_USER, path.c_str(), &handle), ERROR_SUCCESS);
    ::RegSetValueExA(handle, "raw", 0, REG_SZ, reinterpret_cast<const BYTE*>("12\0junk"), 7);
    ::RegCloseKey(handle);
    std::int32_t number = 0;
    EXPECT_EQ(store.GetInt("raw", number), InterbootStore::kOk);
    EXPECT_EQ(number, 12);
}
