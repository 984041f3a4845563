#include "detection/WindowsInstaller.h"

#include <gtest/gtest.h>
#include <msi.h>

#include <set>

#include "detection/SearchProducts.h"

using namespace velmora::detection;
using namespace velmora::test;

using Detection_WindowsInstaller = InstalledSearchProducts;

TEST_F(Detection_WindowsInstaller, OrdinalsAreTheProductComponentAndRelatedProductFunctions) {
    ASSERT_TRUE(WindowsInstallerAvailable());
    HMODULE msi = ::GetModuleHandleW(L"msi.dll");
    ASSERT_NE(msi, nullptr);
    EXPECT_EQ(::GetProcAddress(msi, MAKEINTRESOURCEA(70)), ::GetProcAddress(msi, "MsiGetProductInfoW"));
    EXPECT_EQ(::GetProcAddress(msi, MAKEINTRESOURCEA(205)), ::GetProcAddress(msi, "MsiEnumRelatedProductsW"));
    EXPECT_EQ(::GetProcAddress(msi, MAKEINTRESOURCEA(90)), ::GetProcAddress(msi, "MsiLocateComponentW"));
}

TEST_F(Detection_WindowsInstaller, UnknownAndMalformedProductCodesGiveNoVersion) {
    std::wstring version = L"stale";
    EXPECT_EQ(MsiProductVersionString(kUnknownCode, version), static_cast<DWORD>(ERROR_UNKNOWN_PRODUCT));
    EXPECT_EQ(version, L"");
    EXPECT_NE(MsiProductVersionString(L"not a product code", version), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_NE(MsiProductVersionString(L"", version), static_cast<DWORD>(ERROR_SUCCESS));
}

TEST_F(Detection_WindowsInstaller, RelatedProductsOfAnUpgradeCodeEndWithNoMoreItems) {
    ASSERT_EQ(InstallResult(), 0u);
    std::set<std::wstring> products;
    std::wstring product;
    DWORD index = 0;
    for (; MsiRelatedProduct(kUpgradeCode, index, product) == ERROR_SUCCESS; ++index)
        products.insert(product);
    EXPECT_EQ(index, 2u);
    EXPECT_EQ(products, (std::set<std::wstring>{kProductA, kProductB}));
    EXPECT_EQ(MsiRelatedProduct(kUnknownCode, 0, product), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
}
