// The resources updater.exe carries, read from the built program as the
// system reads them: its application manifest (through an activation
// context, which is the system's own parse of it) and its icon.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#ifndef UPDATER_EXE
#error "UPDATER_EXE names the built updater.exe"
#endif

namespace {

const wchar_t* const kUpdater = L"" UPDATER_EXE;

struct ModuleFree {
    void operator()(HMODULE m) const { FreeLibrary(m); }
};
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFree>;

struct ActCtxRelease {
    void operator()(HANDLE h) const { ReleaseActCtx(h); }
};
using UniqueActCtx = std::unique_ptr<void, ActCtxRelease>;

UniqueModule LoadAsData() {
    return UniqueModule(LoadLibraryExW(kUpdater, nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

// The bytes of resource (type, name) of the module; empty when there is none.
std::string ResourceBytes(HMODULE module, LPCWSTR type, LPCWSTR name) {
    HRSRC found = FindResourceW(module, name, type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return {};
    return std::string(static_cast<const char*>(data), SizeofResource(module, found));
}

UniqueActCtx UpdaterActivationContext() {
    ACTCTXW ctx{};
    ctx.cbSize = sizeof ctx;
    ctx.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    ctx.lpSource = kUpdater;
    ctx.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE h = CreateActCtxW(&ctx);
    return UniqueActCtx(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

std::wstring Setting(HANDLE ctx, const wchar_t* ns, const wchar_t* name) {
    wchar_t value[64] = {};
    SIZE_T written = 0;
    if (!QueryActCtxSettingsW(0, ctx, ns, name, value, 64, &written)) return L"(none)";
    return value;
}

SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return SIZE{0, 0};
    BITMAP bm{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    const SIZE size{bm.bmWidth, info.hbmColor ? bm.bmHeight : bm.bmHeight / 2};
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return size;
}

}  // namespace

TEST(UpdaterResources, ManifestRunsAsInvokerOnEverySupportedSystemWithClassicControls) {
    UniqueModule module = LoadAsData();
    ASSERT_NE(module, nullptr) << "cannot open " << UPDATER_EXE;
    const std::string manifest = ResourceBytes(module.get(), MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1));
    ASSERT_FALSE(manifest.empty()) << "no RT_MANIFEST 1";
    EXPECT_EQ(manifest.compare(0, 5, "<?xml"), 0);

    // The loader's own reading of it: a manifest it cannot parse makes no context.
    UniqueActCtx ctx = UpdaterActivationContext();
    ASSERT_NE(ctx, nullptr) << "the system does not accept the manifest (error " << GetLastError() << ")";

    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION runLevel{};
    ASSERT_TRUE(QueryActCtxW(0, ctx.get(), nullptr, RunlevelInformationInActivationContext, &runLevel, sizeof runLevel,
                             nullptr));
    EXPECT_EQ(runLevel.RunLevel, ACTCTX_RUN_LEVEL_AS_INVOKER);
    EXPECT_EQ(runLevel.UiAccess, 0u);

    // The supported-OS entries: the count as the system read it, the ids as written.
    alignas(8) uint8_t compat[512] = {};
    ASSERT_TRUE(QueryActCtxW(0, ctx.get(), nullptr, CompatibilityInformationInActivationContext, compat, sizeof compat,
                             nullptr));
    DWORD supported = 0;
    std::memcpy(&supported, compat, sizeof supported);
    EXPECT_EQ(supported, 5u);
    for (const char* id : {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"") + id + "\"/>"), std::string::npos) << id;

    // No dependency on the version 6 common controls: the program's own
    // assembly is the only one in its context.
    ACTIVATION_CONTEXT_DETAILED_INFORMATION detail{};
    SIZE_T needed = 0;
    QueryActCtxW(0, ctx.get(), nullptr, ActivationContextDetailedInformation, &detail, sizeof detail, &needed);
    std::string detailBuffer(needed > sizeof detail ? needed : sizeof detail, '\0');
    ASSERT_TRUE(QueryActCtxW(0, ctx.get(), nullptr, ActivationContextDetailedInformation, detailBuffer.data(),
                             detailBuffer.size(), nullptr));
    std::memcpy(&detail, detailBuffer.data(), sizeof detail);
    EXPECT_EQ(detail.ulAssemblyCount, 1u);
    EXPECT_EQ(manifest.find("Common-Controls"), std::string::npos);

    // DPI awareness stated, and stated as unaware.
    EXPECT_EQ(Setting(ctx.get(), nullptr, L"dpiAware"), L"false");
    EXPECT_EQ(Setting(ctx.get(), L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"),
              L"unaware");
}

TEST(UpdaterResources, IconAtSixteenAndThirtyTwoPixels) {
    UniqueModule module = LoadAsData();
    ASSERT_NE(module, nullptr) << "cannot open " << UPDATER_EXE;
    // The icon group lists exactly the two sizes.
    const std::string group = ResourceBytes(module.get(), MAKEINTRESOURCEW(14), L"MAINICON");
    ASSERT_GE(group.size(), 6u + 2 * 14) << "no icon group MAINICON";
    const auto* g = reinterpret_cast<const uint8_t*>(group.data());
    ASSERT_EQ(g[4] | g[5] << 8, 2);
    EXPECT_EQ(g[6], 16);       // first entry's width
    EXPECT_EQ(g[6 + 14], 32);  // second entry's width
    for (int size : {16, 32}) {
        HICON icon = static_cast<HICON>(LoadImageW(module.get(), L"MAINICON", IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << "size " << size;
        const SIZE got = IconSize(icon);
        EXPECT_EQ(got.cx, size);
        EXPECT_EQ(got.cy, size);
        DestroyIcon(icon);
    }
}
