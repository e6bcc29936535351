#include "win/accessibility.h"

#include <oleacc.h>

#include "win/console.h"

namespace r7k::win {

Accessibility::Accessibility() {
    // S_FALSE: COM was already started on this thread; both must be balanced.
    m_comStarted = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    void* services = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IAccPropServices, &services)))
        m_services = static_cast<IAccPropServices*>(services);
}

Accessibility::~Accessibility() {
    if (m_services)
        m_services->Release();
    if (m_comStarted)
        CoUninitialize();
}

namespace {

void setProperty(IAccPropServices* services, HWND control, const MSAAPROPID& property,
                 const std::string& text) {
    if (services == nullptr || control == nullptr)
        return;
    const std::wstring wide = toWide(text);
    services->SetHwndPropStr(control, DWORD(OBJID_CLIENT), CHILDID_SELF, property, wide.c_str());
}

}  // namespace

void Accessibility::setName(HWND control, const std::string& name) {
    setProperty(m_services, control, PROPID_ACC_NAME, name);
}

void Accessibility::setValue(HWND control, const std::string& value) {
    setProperty(m_services, control, PROPID_ACC_VALUE, value);
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, control, OBJID_CLIENT, CHILDID_SELF);
}

void Accessibility::forget(HWND control) {
    if (m_services == nullptr || control == nullptr)
        return;
    MSAAPROPID props[] = {PROPID_ACC_NAME, PROPID_ACC_VALUE};
    m_services->ClearHwndProps(control, DWORD(OBJID_CLIENT), CHILDID_SELF, props, 2);
}

}  // namespace r7k::win
