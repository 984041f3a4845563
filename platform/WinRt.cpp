#include "platform/WinRt.h"

#include <roapi.h>
#include <winstring.h>

#include "platform/SystemLibrary.h"

namespace velmora::platform {

namespace {

// combase.dll exists from Windows 8 on; linking to it would stop the program from starting on older systems.
class Combase {
public:
    static const Combase& Get() {
        static const Combase instance;
        return instance;
    }

    decltype(&::WindowsCreateString) createString = nullptr;
    decltype(&::WindowsDeleteString) deleteString = nullptr;
    decltype(&::WindowsGetStringRawBuffer) rawBuffer = nullptr;
    decltype(&::RoActivateInstance) activateInstance = nullptr;
    decltype(&::RoGetActivationFactory) activationFactory = nullptr;

private:
    Combase() {
        // Kept loaded until the process ends: strings and objects from it may live until then.
        HMODULE module = LoadSystemLibrary(L"combase.dll").release();
        if (module == nullptr)
            return;
        FindFunction(module, "WindowsCreateString", createString);
        FindFunction(module, "WindowsDeleteString", deleteString);
        FindFunction(module, "WindowsGetStringRawBuffer", rawBuffer);
        FindFunction(module, "RoActivateInstance", activateInstance);
        FindFunction(module, "RoGetActivationFactory", activationFactory);
    }
};

constexpr HRESULT MissingCombase = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);

} // namespace

void HStringTraits::Close(HSTRING value) noexcept {
    if (auto deleteString = Combase::Get().deleteString)
        deleteString(value);
}

HRESULT MakeHString(std::wstring_view text, HString& out) {
    auto createString = Combase::Get().createString;
    if (createString == nullptr)
        return MissingCombase;
    return createString(text.data(), static_cast<UINT32>(text.size()), out.put());
}

std::wstring HStringText(HSTRING value) {
    auto rawBuffer = Combase::Get().rawBuffer;
    if (value == nullptr || rawBuffer == nullptr)
        return {};
    UINT32 length = 0;
    const wchar_t* buffer = rawBuffer(value, &length);
    return buffer == nullptr ? std::wstring() : std::wstring(buffer, length);
}

HRESULT ActivateInstance(std::wstring_view className, IInspectable** instance) {
    auto activate = Combase::Get().activateInstance;
    if (activate == nullptr)
        return MissingCombase;
    HString name;
    HRESULT hr = MakeHString(className, name);
    if (FAILED(hr))
        return hr;
    return activate(name.get(), instance);
}

HRESULT GetActivationFactory(std::wstring_view className, const IID& iid, void** factory) {
    auto getFactory = Combase::Get().activationFactory;
    if (getFactory == nullptr)
        return MissingCombase;
    HString name;
    HRESULT hr = MakeHString(className, name);
    if (FAILED(hr))
        return hr;
    return getFactory(name.get(), iid, factory);
}

} // namespace velmora::platform
