#include "framework/streaming/FormReadWrite.h"
#include "framework/streaming/FormResource.h"

bool FindFormResource(HMODULE module, const std::wstring& name, const uint8_t*& data, size_t& size) {
    data = nullptr;
    size = 0;
    HRSRC info = FindResourceW(module, name.c_str(), RT_RCDATA);
    if (!info) return false;
    // Resource memory belongs to the module: nothing to free.
    HGLOBAL handle = LoadResource(module, info);
    const void* bytes = handle ? LockResource(handle) : nullptr;
    if (!bytes) return false;
    data = static_cast<const uint8_t*>(bytes);
    size = SizeofResource(module, info);
    return true;
}

void ReadComponentResource(TComponent& root, const std::wstring& name, HMODULE module) {
    const uint8_t* data = nullptr;
    size_t size = 0;
    if (!FindFormResource(module, name, data, size)) throw EResNotFound(L"Resource " + name + L" not found");
    ReadComponentData(data, size, root);
}
