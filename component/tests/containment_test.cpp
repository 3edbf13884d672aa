// Failures that once ended the host process: texts of any size from a page, and running out of
// memory inside a COM method or a worker thread. The process lives on and gets a failure result.
// Sockets first: the server's header must come before windows.h.
#include "loopback_server.h"
#include "engine_fixture.h"

#include <cwchar>
#include <string>

#include <gtest/gtest.h>

namespace {

constexpr int kServicePort = KORVALA_COUNT_TEST_PORT;
// The longest e-mail address or password the object takes, in UTF-16 units.
constexpr UINT kTextLimit = 16384;

// Makes the test build's own allocations fail while it lives.
class AllocationFailure {
public:
    explicit AllocationFailure(const KVObjectLibrary& library)
    {
        fail_ = ExportOf<FailFunction>(GetModuleHandleA(library.Path().c_str()), "KVObjectFailAllocations");
        if (fail_)
            fail_(TRUE);
    }
    ~AllocationFailure()
    {
        if (fail_)
            fail_(FALSE);
    }
    AllocationFailure(const AllocationFailure&) = delete;
    AllocationFailure& operator=(const AllocationFailure&) = delete;

    bool Armed() const { return fail_ != nullptr; }

private:
    using FailFunction = void (*)(BOOL);
    FailFunction fail_ = nullptr;
};

using Containment = EngineTest;

TEST_F(Containment, TextsLongerThanAnyRealOneAreRefused)
{
    struct Case {
        UINT length;
        HRESULT result;
    } const cases[] = {{kTextLimit, S_OK}, {kTextLimit + 1, E_INVALIDARG}, {200000000, E_INVALIDARG}};
    for (const Case& c : cases) {
        BSTR text = SysAllocStringLen(nullptr, c.length);
        ASSERT_NE(text, nullptr) << c.length;
        std::wmemset(text, L'e', c.length);
        EXPECT_EQ(engine_->SetEmail(text), c.result) << c.length;
        EXPECT_EQ(engine_->SetPassword(text), c.result) << c.length;
        SysFreeString(text);
    }
    // The longest accepted texts stay; the refused ones replaced nothing.
    std::string document = ScanString(engine_);
    EXPECT_NE(document.find("<Email>" + std::string(kTextLimit, 'e') + "</Email>"), std::string::npos);
    EXPECT_NE(document.find("<Password>" + std::string(kTextLimit, 'e') + "</Password>"), std::string::npos);
}

TEST_F(Containment, RunningOutOfMemoryInAScanEndsTheScan)
{
    {
        AllocationFailure failure(library_);
        ASSERT_TRUE(failure.Armed()) << "the library is not the test build";
        ASSERT_EQ(engine_->BeginScan(0), S_OK);
        EXPECT_EQ(WaitForScanEnd(engine_, kScanEndBoundMs), 2);
    }
    // No full scan finished: the document comes at once, without items.
    EXPECT_EQ(DataElement(ScanString(engine_)), "<Data NumberOfDevices=\"5\">\r\n\r\n");
}

TEST_F(Containment, RunningOutOfMemoryInAMethodFailsTheCall)
{
    LoopbackServer service(kServicePort);
    ASSERT_EQ(service.Port(), kServicePort) << PortInUse(kServicePort);
    BSTR email = SysAllocString(L"a.rather.long.address@example.com");
    {
        AllocationFailure failure(library_);
        ASSERT_TRUE(failure.Armed()) << "the library is not the test build";
        BSTR document = reinterpret_cast<BSTR>(1);
        EXPECT_EQ(engine_->GetScanString(&document), E_OUTOFMEMORY);
        EXPECT_EQ(document, nullptr);
        EXPECT_EQ(engine_->SetEmail(email), E_OUTOFMEMORY);
        // Every count worker fails before its request: five attempts, nothing sent.
        int count = 99;
        EXPECT_EQ(engine_->GetNumUpdates(&count), S_OK);
        EXPECT_EQ(count, -1);
        EXPECT_FALSE(service.HasPendingConnection());
    }
    // Memory back: the object works as before.
    EXPECT_EQ(engine_->SetEmail(email), S_OK);
    EXPECT_NE(ScanString(engine_).find("<Email>a.rather.long.address@example.com</Email>"), std::string::npos);
    SysFreeString(email);
}

}  // namespace
