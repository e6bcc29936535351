#include "fakes/event_driver.h"

#include <array>

#include "commands/catalogue.h"

namespace r7k::fakes {

std::string_view ByteSource::take(std::size_t n) {
    const std::size_t pos = std::min(m_pos, m_bytes.size());
    const std::size_t len = std::min(n, m_bytes.size() - pos);
    m_pos = pos + len;
    return m_bytes.substr(pos, len);
}

namespace {

// Every control that takes events, and a name that is no control at all.
const std::array<std::string_view, 14> kOthers{
    "Command16", "Command33", "Command34", "Command95", "Command96", "Option1", "Option2",
    "Option9",   "Option10",  "Image1",    "Text1",     "Label12",   "Frame8",  "Nothing"};

std::string_view anyControl(std::uint8_t pick) {
    const std::size_t n1 = kOneShotButtons.size(), n2 = kHoldButtons.size();
    const std::size_t i = pick % (n1 + n2 + kOthers.size());
    if (i < n1)
        return kOneShotButtons[i].name;
    if (i < n1 + n2)
        return kHoldButtons[i - n1].name;
    return kOthers[i - n1 - n2];
}

constexpr std::array<const char*, 7> kFailures{"open", "open1",    "open2", "close",
                                               "port", "settings", "output"};

}  // namespace

EventDriver::EventDriver(PanelRig& rig) : m_rig(rig) {
    // A Timer1 tick may send only while a button is held.
    m_rig.clock.beforeTick = [this](const FakeTimer& t) {
        if (&t != &m_rig.timer1)
            return;
        m_writesBeforeTick = m_rig.serial.writes.size();
        m_heldBeforeTick = m_rig.form.state().HoldCode != 0;
    };
    m_rig.clock.afterTick = [this](const FakeTimer& t) {
        if (&t == &m_rig.timer1 && !m_heldBeforeTick &&
            m_rig.serial.writes.size() != m_writesBeforeTick && m_tickFault.empty()) {
            m_tickFault = "a Timer1 tick sent with nothing held";
        }
    };
}

bool EventDriver::step(ByteSource& in) {
    if (m_rig.window.quitStatus >= 0)
        return false;
    ++m_events;
    // Long runs keep only recent records.
    if (m_rig.serial.writes.size() > 4096)
        m_rig.serial.writes.clear();
    if (m_rig.serial.calls.size() > 4096)
        m_rig.serial.calls.clear();
    if (m_rig.window.lineSets.size() > 4096)
        m_rig.window.lineSets.clear();
    if (m_rig.window.warnings.size() > 4096)
        m_rig.window.warnings.clear();
    const std::uint8_t op = in.byte();
    const std::uint8_t arg = in.byte();
    switch (op % 12) {
        case 0:
        case 1: {
            const std::string_view name = anyControl(arg);
            if (name.starts_with("Option"))
                m_rig.window.setSelected(name);
            // END is rare on purpose: it ends the run.
            if (name == "Command16" && (in.byte() & 0x0F) != 0)
                break;
            m_rig.form.click(name);
            break;
        }
        case 2:
            m_rig.form.mouseDown(kHoldButtons[arg % kHoldButtons.size()].name);
            break;
        case 3:
            m_rig.form.mouseDown(anyControl(arg));
            break;
        case 4:
            m_rig.form.mouseUp(arg & 0x80 ? anyControl(arg) : kHoldButtons[arg % 17].name);
            break;
        case 5:
            m_rig.form.Form_KeyDown(arg & 0x80 ? 74 : arg, in.byte() & 0x0F);
            break;
        case 6:
            m_rig.form.dblClick(arg & 1 ? "Image1" : anyControl(arg));
            break;
        case 7:
            m_rig.serial.receive(in.take(arg % 64));
            break;
        case 8: {
            const std::string op_name = kFailures[arg % kFailures.size()];
            auto& f = m_rig.serial.failures[op_name];
            f = f.empty() ? op_name + " failed" : std::string();
            break;
        }
        case 9:
            if (m_rig.serial.portOpen())
                m_rig.serial.hangUp();
            else
                m_rig.serial.raiseEvent(arg);
            break;
        case 10:
            m_rig.window.setText("Text1", in.take(arg % 32));
            break;
        default:
            m_rig.advance(arg & 0x80 ? (arg & 0x7F) * 10 : arg % 30);
            break;
    }
    return true;
}

std::string EventDriver::check() const {
    const Form1State& s = m_rig.form.state();
    if (s.ReplyWait > 1)
        return "ReplyWait is " + std::to_string(s.ReplyWait);
    if (s.HoldCode != 0 && findHoldByCode(s.HoldCode) == nullptr) {
        return "HoldCode " + std::to_string(s.HoldCode) + " is no hold button";
    }
    if (s.HoldCode == 0 && m_rig.timer1.isEnabled())
        return "Timer1 runs with nothing held";
    if (!m_tickFault.empty())
        return m_tickFault;
    if (s.RxBuffer.size() > kRxBufferLimit)
        return "RxBuffer beyond its bound";
    for (std::string_view label : {"Label11", "Label12", "Label22"}) {
        for (char c : m_rig.form.lineText(label)) {
            const auto u = static_cast<unsigned char>(c);
            if (u < 0x20 || u >= 0x7F)
                return std::string(label) + " holds a control character";
        }
    }
    if (m_rig.form.lineText("Label12").size() > 1 + 3 * kRxBufferLimit + 64) {
        return "RXD line longer than the buffer can render";
    }
    return {};
}

}  // namespace r7k::fakes
