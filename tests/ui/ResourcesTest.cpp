// The chainer's resources as Windows loads them at run time: every numbered text, the three dialogs with
// their controls and font, and the icon in the sizes Windows asks for.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "support/WindowDriver.h"
#include "ui/Dialog.h"
#include "ui/WindowTools.h"
#include "ui/resources/ResourceIds.h"

using namespace velmora;
using namespace velmora::ui;

namespace {

class ResourceDialog final : public Dialog {
public:
    HWND Create(int id) { return CreateModeless(id, nullptr); }

protected:
    INT_PTR OnMessage(UINT message, WPARAM, LPARAM) override { return message == WM_INITDIALOG; }
};

std::wstring ClassOf(HWND dialog, int id) {
    wchar_t name[64] = {};
    ::GetClassNameW(::GetDlgItem(dialog, id), name, 64);
    return name;
}

LONG StyleOf(HWND dialog, int id) {
    return ::GetWindowLongW(::GetDlgItem(dialog, id), GWL_STYLE);
}

} // namespace

TEST(Ui_StringTable, HoldsEveryNumberedText) {
    const std::pair<unsigned, const wchar_t*> table[] = {
        {153, L"Installing %s"},
        {161, L"%s Setup"},
        {198, L"Opening site of %s"},
        {199, L"Downloading %s"},
        {216,
         L"You must reboot your computer in order to continue the installation. Press Yes to restart now or "
         L"press No to abort the installation and manually restart later."},
        {217, L"Confirmation"},
        {220, L"Preparing..."},
        {223, L"Searching for prerequisites..."},
        {245, L"Connect to %s"},
        {246, L"The server %s at %s requires a username and password. Please enter them below."},
    };
    for (const auto& [id, text] : table)
        EXPECT_EQ(LoadText(id), text) << id;
    EXPECT_EQ(LoadText(279), L"");
}

TEST(Ui_Resources, DialogsHoldTheirControlsInTheSystemDialogFont) {
    struct Control {
        int id;
        const wchar_t* className;
        const wchar_t* text;
    };
    struct Case {
        int dialog;
        std::vector<Control> controls;
    };
    const Case cases[] = {
        {IDD_STATUS, {{IDC_STATUS_TEXT, L"Static", L"Preparing..."}, {IDC_STATUS_SKIP, L"Button", L"Skip"}}},
        {IDD_PROCESSING,
         {{IDC_PROCESSING_PROGRESS, PROGRESS_CLASSW, L""},
          {IDC_PROCESSING_TEXT, L"Static", L""},
          {IDC_PROCESSING_CANCEL, L"Button", L"Cancel"}}},
        {IDD_CREDENTIALS,
         {{IDC_CREDENTIALS_USER, L"Edit", L""},
          {IDC_CREDENTIALS_PASSWORD, L"Edit", L""},
          {IDC_CREDENTIALS_REMEMBER, L"Button", L"Remember my credentials"},
          {IDC_CREDENTIALS_EXPLANATION, L"Static", L""},
          {IDOK, L"Button", L"Ok"},
          {IDCANCEL, L"Button", L"Cancel"}}},
    };
    for (const Case& c : cases) {
        ResourceDialog dialog;
        HWND window = dialog.Create(c.dialog);
        ASSERT_NE(window, nullptr) << c.dialog;
        for (const Control& control : c.controls) {
            EXPECT_EQ(ClassOf(window, control.id), control.className) << c.dialog << "/" << control.id;
            EXPECT_EQ(test::ControlText(window, control.id), control.text) << c.dialog << "/" << control.id;
        }
        LOGFONTW font{};
        ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_STREQ(font.lfFaceName, L"MS Shell Dlg 2") << c.dialog;
        ::DestroyWindow(window);
    }
}

TEST(Ui_Resources, CredentialFieldsHideThePasswordAndCheckTheBox) {
    ResourceDialog dialog;
    HWND window = dialog.Create(IDD_CREDENTIALS);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(StyleOf(window, IDC_CREDENTIALS_PASSWORD) & ES_PASSWORD);
    EXPECT_FALSE(StyleOf(window, IDC_CREDENTIALS_USER) & ES_PASSWORD);
    EXPECT_EQ(StyleOf(window, IDC_CREDENTIALS_REMEMBER) & BS_TYPEMASK, BS_AUTOCHECKBOX);
    EXPECT_EQ(StyleOf(window, IDOK) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    ::DestroyWindow(window);
}

TEST(Ui_Resources, IconHasEverySizeWindowsAsksFor) {
    for (int size : {16, 20, 24, 32, 40, 48, 64, 256}) {
        HICON icon = static_cast<HICON>(::LoadImageW(
            ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_CHAINER), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(icon, &info));
        BITMAP bitmap{};
        ::GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, size);
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
        ::DestroyIcon(icon);
    }
}
