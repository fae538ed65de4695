// Every shipped binary carries the one project version (the package's
// version) in its version resource, as numbers and as text.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tesk_version.h"
#include "test_paths.h"

namespace {

const wchar_t* const kShipped[] = {
    L"\\TeskAgent\\host\\TeskAgent.exe",
    L"\\components\\installer\\TeskInstall.exe",
    L"\\components\\logger\\Tracemill.dll",
    L"\\components\\admin_account\\Wardlow.dll",
    L"\\components\\configurator\\TeskConfigurator.exe",
    L"\\components\\configurator\\proxy\\TeskConfigPS.dll",
#ifdef TESK_HAVE_TESKCTL
    L"\\components\\teskctl\\TeskCtl.exe",
#endif
};

TEST(VersionResources, EveryShippedBinaryCarriesTheProjectVersion) {
    for (const wchar_t* relative : kShipped) {
        const std::wstring file = std::wstring(TESK_BUILD_DIR) + relative;
        SCOPED_TRACE(file);
        DWORD handle = 0;
        DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &handle);
        ASSERT_NE(size, 0u) << "no version resource";
        std::unique_ptr<BYTE[]> block(new BYTE[size]);
        ASSERT_TRUE(::GetFileVersionInfoW(file.c_str(), 0, size, block.get()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(::VerQueryValueW(block.get(), L"\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(TESK_VERSION_MINOR, TESK_VERSION_MAJOR));
        EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, TESK_VERSION_PATCH));
        EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
        wchar_t* text = nullptr;
        ASSERT_TRUE(::VerQueryValueW(block.get(), L"\\StringFileInfo\\040904b0\\FileVersion",
                                     reinterpret_cast<void**>(&text), &length));
        EXPECT_STREQ(text, L"" TESK_VERSION_TEXT);
    }
}

}  // namespace
