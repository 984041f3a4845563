#include "FakeDeployment.h"

#include <objbase.h>

namespace velmora::test {

namespace {

using platform::HString;
using platform::MakeHString;
using execution::PackageIdentity;
using platform::UniqueCom;

void NoteWork(DeploymentRecord& record) {
    APTTYPE type = APTTYPE_CURRENT;
    APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
    if (FAILED(::CoGetApartmentType(&type, &qualifier)))
        type = APTTYPE_CURRENT;
    std::lock_guard<std::mutex> guard(record.lock);
    record.workThread = ::GetCurrentThreadId();
    record.workApartment = type;
}

class FakeUri final : public FakeObject<rt::IUriRuntimeClass> {
public:
    explicit FakeUri(std::wstring text) : text(std::move(text)) {}
    const std::wstring text;
};

class FakeResult final : public FakeObject<rt::IDeploymentResult, rt::IDeploymentResult2> {
public:
    explicit FakeResult(const DeploymentScript& script) : script_(script) {
        if (!script.hasSecondResultInterface)
            refused.push_back(rt::IDeploymentResult2::Iid);
    }
    HRESULT STDMETHODCALLTYPE get_ErrorText(HSTRING* value) override {
        HString text;
        HRESULT hr = MakeHString(script_.errorText, text);
        *value = text.release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE get_ActivityId(GUID* value) override {
        *value = script_.activityId;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ExtendedErrorCode(HRESULT* value) override {
        *value = script_.extendedErrorCode;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_IsRegistered(boolean* value) override {
        *value = script_.registered ? 1 : 0;
        return S_OK;
    }

private:
    const DeploymentScript script_;
};

class FakeOperation final : public FakeObject<rt::IDeploymentOperation, IAsyncInfo> {
public:
    FakeOperation(const DeploymentScript& script, std::shared_ptr<DeploymentRecord> record)
        : script_(script), record_(std::move(record)) {}

    HRESULT STDMETHODCALLTYPE put_Progress(rt::IDeploymentProgressHandler* handler) override {
        progress_ = UniqueCom<rt::IDeploymentProgressHandler>(handler);
        if (handler != nullptr)
            handler->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Progress(rt::IDeploymentProgressHandler**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_Completed(rt::IDeploymentCompletedHandler* handler) override {
        if (FAILED(script_.putCompleted))
            return script_.putCompleted;
        completed_ = UniqueCom<rt::IDeploymentCompletedHandler>(handler);
        handler->AddRef();
        if (!script_.endOnOwnThread) {
            End();
            return S_OK;
        }
        // The thread keeps the operation alive until it has called the handler.
        AddRef();
        HANDLE thread = ::CreateThread(nullptr, 0, EndThread, this, 0, nullptr);
        if (thread == nullptr) {
            Release();
            return HRESULT_FROM_WIN32(::GetLastError());
        }
        std::lock_guard<std::mutex> guard(record_->lock);
        record_->threads.push_back(thread);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Completed(rt::IDeploymentCompletedHandler**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetResults(rt::IDeploymentResult** results) override {
        if (FAILED(script_.getResults))
            return script_.getResults;
        *results = new FakeResult(script_);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_Id(UINT32* id) override {
        *id = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Status(AsyncStatus* status) override {
        *status = status_.load();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ErrorCode(HRESULT* code) override {
        *code = status_.load() == Error ? script_.extendedErrorCode : S_OK;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Cancel() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close() override { return S_OK; }

private:
    static DWORD WINAPI EndThread(void* parameter) {
        auto* operation = static_cast<FakeOperation*>(parameter);
        ::Sleep(operation->script_.delayMilliseconds);
        operation->End();
        operation->Release();
        return 0;
    }

    void End() {
        for (unsigned percentage : script_.progress)
            if (progress_)
                progress_.get()->Invoke(this, rt::DeploymentProgress{1, percentage});
        status_ = script_.finalStatus;
        completed_.get()->Invoke(this, script_.finalStatus);
    }

    const DeploymentScript script_;
    std::shared_ptr<DeploymentRecord> record_;
    UniqueCom<rt::IDeploymentProgressHandler> progress_;
    UniqueCom<rt::IDeploymentCompletedHandler> completed_;
    std::atomic<AsyncStatus> status_{Started};
};

struct Enumeration {
    std::vector<PackageIdentity> packages;
    EnumerationFault fault;
    std::shared_ptr<DeploymentRecord> record;
};

class FakePackageId final : public FakeObject<rt::IPackageId> {
public:
    explicit FakePackageId(const PackageIdentity& identity) : identity_(identity) {}

    HRESULT STDMETHODCALLTYPE get_Name(HSTRING* value) override { return Text(identity_.name, value); }
    HRESULT STDMETHODCALLTYPE get_Version(rt::PackageVersion* value) override {
        const auto& v = identity_.version;
        *value = {v.major, v.minor, v.build, v.revision};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Architecture(INT32* value) override {
        *value = identity_.architecture;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ResourceId(HSTRING* value) override { return Text(L"", value); }
    HRESULT STDMETHODCALLTYPE get_Publisher(HSTRING* value) override {
        return Text(identity_.publisher, value);
    }
    HRESULT STDMETHODCALLTYPE get_PublisherId(HSTRING* value) override {
        return Text(L"8wekyb3d8bbwe", value);
    }
    HRESULT STDMETHODCALLTYPE get_FullName(HSTRING* value) override { return Text(identity_.name, value); }
    HRESULT STDMETHODCALLTYPE get_FamilyName(HSTRING* value) override { return Text(identity_.name, value); }

private:
    static HRESULT Text(const std::wstring& text, HSTRING* value) {
        HString string;
        HRESULT hr = MakeHString(text, string);
        *value = string.release();
        return hr;
    }

    const PackageIdentity identity_;
};

class FakePackage final : public FakeObject<rt::IPackage> {
public:
    FakePackage(const PackageIdentity& identity, HRESULT idResult)
        : identity_(identity), idResult_(idResult) {}
    HRESULT STDMETHODCALLTYPE get_Id(rt::IPackageId** value) override {
        if (FAILED(idResult_))
            return idResult_;
        *value = new FakePackageId(identity_);
        return S_OK;
    }

private:
    const PackageIdentity identity_;
    const HRESULT idResult_;
};

class FakeIterator final : public FakeObject<rt::IPackageIterator> {
public:
    explicit FakeIterator(std::shared_ptr<const Enumeration> enumeration)
        : enumeration_(std::move(enumeration)) {}

    HRESULT STDMETHODCALLTYPE get_Current(rt::IPackage** value) override {
        if (Faults(EnumerationFault::Call::Current))
            return enumeration_->fault.code;
        if (index_ >= enumeration_->packages.size())
            return static_cast<HRESULT>(0x8000000B); // E_BOUNDS
        {
            std::lock_guard<std::mutex> guard(enumeration_->record->lock);
            ++enumeration_->record->packagesRead;
        }
        HRESULT idResult = Faults(EnumerationFault::Call::Id) ? enumeration_->fault.code : S_OK;
        *value = new FakePackage(enumeration_->packages[index_], idResult);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_HasCurrent(boolean* value) override {
        *value = index_ < enumeration_->packages.size() ? 1 : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE MoveNext(boolean* value) override {
        if (Faults(EnumerationFault::Call::MoveNext))
            return enumeration_->fault.code;
        if (index_ < enumeration_->packages.size())
            ++index_;
        return get_HasCurrent(value);
    }
    HRESULT STDMETHODCALLTYPE GetMany(UINT32, rt::IPackage**, UINT32*) override { return E_NOTIMPL; }

private:
    bool Faults(EnumerationFault::Call call) const {
        return enumeration_->fault.call == call && enumeration_->fault.index == index_;
    }

    std::shared_ptr<const Enumeration> enumeration_;
    std::size_t index_ = 0;
};

class FakeIterable final : public FakeObject<rt::IPackageIterable> {
public:
    explicit FakeIterable(std::shared_ptr<const Enumeration> enumeration)
        : enumeration_(std::move(enumeration)) {}
    HRESULT STDMETHODCALLTYPE First(rt::IPackageIterator** value) override {
        *value = new FakeIterator(enumeration_);
        return S_OK;
    }

private:
    std::shared_ptr<const Enumeration> enumeration_;
};

class FakeManager final : public FakeObject<rt::IPackageManager> {
public:
    explicit FakeManager(const FakeDeploymentRuntime& runtime) : runtime_(runtime) {}

    HRESULT STDMETHODCALLTYPE AddPackageAsync(rt::IUriRuntimeClass* packageUri, IInspectable* dependencies,
                                              UINT32 options, rt::IDeploymentOperation** operation) override {
        DeploymentRecord& record = *runtime_.record;
        NoteWork(record);
        {
            std::lock_guard<std::mutex> guard(record.lock);
            ++record.addCalls;
            record.uriText = static_cast<FakeUri*>(packageUri)->text;
            record.dependenciesPassed = dependencies != nullptr;
            record.options = options;
        }
        if (FAILED(runtime_.addPackage))
            return runtime_.addPackage;
        *operation = new FakeOperation(runtime_.deployment, runtime_.record);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UpdatePackageAsync() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemovePackageAsync() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE StagePackageAsync() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RegisterPackageAsync() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindPackages() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindPackagesByUserSecurityId(HSTRING userSecurityId,
                                                           rt::IPackageIterable** packages) override {
        NoteWork(*runtime_.record);
        {
            std::lock_guard<std::mutex> guard(runtime_.record->lock);
            runtime_.record->userSecurityId = platform::HStringText(userSecurityId);
        }
        if (FAILED(runtime_.findPackages))
            return runtime_.findPackages;
        auto enumeration = std::make_shared<const Enumeration>(
            Enumeration{runtime_.packages, runtime_.fault, runtime_.record});
        *packages = new FakeIterable(std::move(enumeration));
        return S_OK;
    }

private:
    const FakeDeploymentRuntime& runtime_;
};

} // namespace

FakeDeploymentRuntime::FakeDeploymentRuntime() = default;

FakeDeploymentRuntime::~FakeDeploymentRuntime() {
    for (HANDLE thread : record->threads) {
        ::WaitForSingleObject(thread, INFINITE);
        ::CloseHandle(thread);
    }
}

HRESULT FakeDeploymentRuntime::CreatePackageManager(UniqueCom<rt::IPackageManager>& manager) {
    if (FAILED(activation))
        return activation;
    *manager.put() = new FakeManager(*this);
    return S_OK;
}

HRESULT FakeDeploymentRuntime::CreateUri(const std::wstring& text, UniqueCom<rt::IUriRuntimeClass>& uri) {
    if (FAILED(uriCreation))
        return uriCreation;
    *uri.put() = new FakeUri(text);
    return S_OK;
}

} // namespace velmora::test
