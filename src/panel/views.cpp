// View switching: the reveal key, the logo double-click and the view button.
#include "panel/views.h"
#include "panel/controller.h"
#include "panel/controls.h"

namespace r7k {

void PanelController::keyDown(int keyCode, int shift) {
    if (keyCode != kKeyJ || (shift & (kShiftMask | kCtrlMask | kAltMask)) != kCtrlMask)
        return;
    m_ui.setOuterHeight(kExtendedHeight);
    m_state.revealed = 1;
    m_ui.setCaption(control::kViewButton, kCaptionClose);
    m_ui.setVisible(control::kViewButton, true);
}

void PanelController::revealFull() {
    if (m_state.revealed != 1)
        return;
    m_ui.setOuterHeight(kFullHeight);
    m_ui.setCaption(control::kViewButton, kCaptionClose);
    m_ui.setVisible(control::kViewButton, true);
}

void PanelController::toggleDataView() {
    m_timers.portGroupHide.setEnabled(false);
    m_state.revealed = 0;
    if (m_ui.outerSize().height >= kCloseThreshold) {
        m_ui.setOuterHeight(kCompactHeight);
        m_ui.setCaption(control::kViewButton, kCaptionShowData);
    } else {
        m_ui.setOuterHeight(kDataHeight);
        m_ui.setCaption(control::kViewButton, kCaptionHideData);
    }
    m_timers.portGroupHide.setEnabled(true);
}

}  // namespace r7k
