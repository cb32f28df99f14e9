// Form data kept as a program resource (RCDATA named after the form class,
// upper case: "TFORMMAIN"). Windows only.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "framework/core/Component.h"
#include "framework/streaming/FormData.h"

// Raised when a module has no resource of the name.
class EResNotFound : public EFilerError {
public:
    using EFilerError::EFilerError;
};

// The bytes of an RCDATA resource of module (null: the program), valid as
// long as the module is loaded; false when there is none.
[[nodiscard]] bool FindFormResource(HMODULE module, const std::wstring& name, const uint8_t*& data, size_t& size);
// Reads the form data of that resource onto root (FormReadWrite.h); EResNotFound without it.
void ReadComponentResource(TComponent& root, const std::wstring& name, HMODULE module = nullptr);
