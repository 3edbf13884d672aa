// The scan engine where no digest can be made: run without the cryptographic provider
// (WINEDLLOVERRIDES=rsaenh=, see CMakeLists.txt). The scan fails as a whole and the process
// lives on.
#include "device_inventory.h"
#include "full_inventory.h"
#include "sample_pc.h"
#include "software_inventory.h"

#include <windows.h>
#include <wincrypt.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

namespace {

TEST(DigestFailure, FailsTheScanNotTheProcess)
{
    HCRYPTPROV provider = 0;
    ASSERT_FALSE(CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        << "the cryptographic provider must be missing: WINEDLLOVERRIDES=rsaenh=";
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    {
        SamplePc pc;
        ASSERT_TRUE(pc.AddShortcut(CSIDL_STARTMENU, "Korvala digest test.lnk", SampleProgramPath("acme_viewer")));
        std::atomic<int32_t> progress{0};
        std::atomic<uint8_t> cancel{0};

        EXPECT_THROW(Md5Digest("abc", 3), DigestFailure);
        // Each pass meets the failure at its first item (Wine's own devices, the shortcut's program).
        EXPECT_THROW(DeviceInventory(progress, cancel, kComponentFlavour).Run(), DigestFailure);
        EXPECT_THROW(SoftwareInventory(progress, cancel, kComponentFlavour).Run(), DigestFailure);
        // A whole scan gives the marker of an inventory that could not be read, in either flavour.
        EXPECT_EQ(FullInventory(progress, cancel, kComponentFlavour), "ERROR");
        EXPECT_EQ(FullInventory(progress, cancel, kDesktopFlavour), "ERROR");
        // A scan cancelled before its first item needs no digest.
        cancel = 1;
        EXPECT_EQ(FullInventory(progress, cancel, kDesktopFlavour), "");
    }
    CoUninitialize();
}

}  // namespace
