#pragma once
// ScopedVariant: a VARIANT that is cleared (its string, array or interface freed) when it ends.
#include <windows.h>
#include <oleauto.h>

#include <string>

struct ScopedVariant {
    VARIANT value;
    ScopedVariant() { ::VariantInit(&value); }
    ~ScopedVariant() { ::VariantClear(&value); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;

    // Holds `text` as a BSTR; false, and empty, when it can't be allocated.
    bool SetText(const std::wstring& text)
    {
        ::VariantClear(&value);
        BSTR bstr = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!bstr)
            return false;
        value.vt = VT_BSTR;
        value.bstrVal = bstr;
        return true;
    }
};
