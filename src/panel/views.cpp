// View switching of Form1: the reveal key, the logo double-click and the view button.
#include "panel/views.h"
#include "link/form1.h"

namespace r7k {

void Form1::Form_KeyDown(int keyCode, int shift) {
    if (keyCode != kKeyJ || (shift & (kShiftMask | kCtrlMask | kAltMask)) != kCtrlMask)
        return;
    m_ui.setOuterHeight(kExtendedHeight);
    m.PanelMode = 1;
    m_ui.setCaption("Command34", kCaptionClose);
    m_ui.setVisible("Command34", true);
}

void Form1::Image1_DblClick() {
    if (m.PanelMode != 1)
        return;
    m_ui.setOuterHeight(kFullHeight);
    m_ui.setCaption("Command34", kCaptionClose);
    m_ui.setVisible("Command34", true);
}

void Form1::Command34_Click() {
    m_timers.Timer3.setEnabled(false);
    m.PanelMode = 0;
    if (m_ui.outerSize().height >= kCloseThreshold) {
        m_ui.setOuterHeight(kCompactHeight);
        m_ui.setCaption("Command34", kCaptionShowData);
    } else {
        m_ui.setOuterHeight(kDataHeight);
        m_ui.setCaption("Command34", kCaptionHideData);
    }
    m_timers.Timer3.setEnabled(true);
}

}  // namespace r7k
