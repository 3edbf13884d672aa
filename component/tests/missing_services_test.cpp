// KVObject on systems that lack a platform service. Each suite runs in its own process with the
// service's DLL disabled through WINEDLLOVERRIDES (see CMakeLists.txt): WithoutSystemRestore
// without srclient.dll (server editions, stripped installations), WithoutCryptoProvider without
// the cryptographic provider that makes the identity digests.
#include "engine_fixture.h"
#include "sample_pc.h"

#include <wincrypt.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string DocumentOf(IKVEngine* engine)
{
    BSTR document = nullptr;
    EXPECT_EQ(engine->GetScanString(&document), S_OK);
    std::string text;
    for (UINT i = 0; document && i < SysStringLen(document); ++i)
        text += char(document[i]);
    SysFreeString(document);
    return text;
}

using WithoutSystemRestore = EngineTest;

TEST_F(WithoutSystemRestore, TheLibraryLoadsScansAndReportsAFailedRestorePoint)
{
    HMODULE systemRestore = LoadLibraryA("srclient.dll");
    if (systemRestore)
        FreeLibrary(systemRestore);
    ASSERT_EQ(systemRestore, nullptr) << "srclient.dll must be missing: WINEDLLOVERRIDES=srclient=";

    ASSERT_EQ(engine_->BeginScan(0), S_OK);
    EXPECT_EQ(WaitForScanEnd(engine_, kScanEndBoundMs), 2);
    std::string document = DocumentOf(engine_);
    EXPECT_NE(document.find("<ScanItem HWIDHASH="), std::string::npos) << document;
    int result = -1;
    EXPECT_EQ(engine_->CreateSRP(&result), S_OK);
    EXPECT_EQ(result, 1);
}

class WithoutCryptoProvider : public EngineTest {
protected:
    void SetUp() override
    {
        HCRYPTPROV provider = 0;
        ASSERT_FALSE(CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
            << "the cryptographic provider must be missing: WINEDLLOVERRIDES=rsaenh=";
        EngineTest::SetUp();
        // A program with a version resource behind a shortcut: the software pass has an item to
        // identify, as the device pass has Wine's own devices.
        ASSERT_TRUE(pc_.AddShortcut(CSIDL_STARTMENU, "Korvala digest test.lnk", SampleProgramPath("acme_viewer")));
    }

    SamplePc pc_;
};

TEST_F(WithoutCryptoProvider, EveryScanFailsCleanlyAsAnUnreadableInventory)
{
    // The process lives on through each kind of scan, which ends with status 2 as usual.
    for (int type : {1, 2, 0}) {
        ASSERT_EQ(engine_->BeginScan(type), S_OK);
        EXPECT_EQ(WaitForScanEnd(engine_, kScanEndBoundMs), 2) << type;
    }
    // No item can be identified: the full scan's whole inventory is the marker of a scan that
    // could not read the machine.
    std::string document = DocumentOf(engine_);
    EXPECT_NE(document.find("<Data NumberOfDevices=\"5\">\r\nERROR\r\n</Data>"), std::string::npos) << document;
    EXPECT_EQ(document.find("<ScanItem"), std::string::npos) << document;
}

}  // namespace
