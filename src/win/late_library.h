#pragma once

#include <windows.h>

namespace r7k::win {

// A function of a system library that is loaded the first time it is needed. The libraries the
// programs use only now and then (the port list, screen readers, the command line) would
// otherwise be mapped at every start, which under Wine costs a good part of the start-up.
// nullptr when the library or the function is missing; the library stays loaded.
template <typename Function>
Function* lateFunction(const wchar_t* library, const char* name) {
    const HMODULE module = LoadLibraryW(library);
    return module
               ? reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module, name)))
               : nullptr;
}

}  // namespace r7k::win
