// The descriptor record that a general-purpose plug-in hands to the player, in the layout of
// the player's published plug-in header, and the export that hands it out.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace plugin {

struct GeneralPurposePlugin {
    std::int32_t version;
    const char* description;
    std::int32_t(__cdecl* init)();
    void(__cdecl* config)();
    void(__cdecl* quit)();
    HWND hwndParent;         // filled by the player before init
    HINSTANCE hDllInstance;  // filled by the player before init
};

constexpr std::int32_t GPPHDR_VER = 0x10;
constexpr const char* EXPORT_NAME = "winampGetGeneralPurposePlugin";
using GetGeneralPurposePlugin = GeneralPurposePlugin*(__cdecl*)();

#if defined(_WIN32) && !defined(_WIN64)
// The shipped build: seven 32-bit fields, no padding, exactly as the player reads them.
static_assert(sizeof(GeneralPurposePlugin) == 28);
static_assert(offsetof(GeneralPurposePlugin, version) == 0);
static_assert(offsetof(GeneralPurposePlugin, description) == 4);
static_assert(offsetof(GeneralPurposePlugin, init) == 8);
static_assert(offsetof(GeneralPurposePlugin, config) == 12);
static_assert(offsetof(GeneralPurposePlugin, quit) == 16);
static_assert(offsetof(GeneralPurposePlugin, hwndParent) == 20);
static_assert(offsetof(GeneralPurposePlugin, hDllInstance) == 24);
#endif

}  // namespace plugin
