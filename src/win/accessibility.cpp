#include "win/accessibility.h"

#include <oleacc.h>

#include "win/late_library.h"
#include "win/wide.h"

namespace r7k::win {

void Accessibility::start() {
    if (m_services || m_comStarted)
        return;
    static auto* const initialize =
        lateFunction<decltype(CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
    static auto* const create =
        lateFunction<decltype(CoCreateInstance)>(L"ole32.dll", "CoCreateInstance");
    if (!initialize || !create)
        return;
    // S_FALSE: COM was already started on this thread; both must be balanced.
    m_comStarted = SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED));
    void* services = nullptr;
    if (SUCCEEDED(create(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                         &services)))
        m_services = static_cast<IAccPropServices*>(services);
}

Accessibility::~Accessibility() {
    if (m_services)
        m_services->Release();
    static auto* const uninitialize =
        lateFunction<decltype(CoUninitialize)>(L"ole32.dll", "CoUninitialize");
    if (m_comStarted && uninitialize)
        uninitialize();
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
