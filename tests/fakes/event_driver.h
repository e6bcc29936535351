#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "fakes/panel_rig.h"
#include "protocol/catalogue.h"

namespace r7k::fakes {

// Reads choices from a byte string (a fuzzer's input or a seeded generator's output); past the
// end every read yields 0.
class ByteSource {
  public:
    explicit ByteSource(std::string_view bytes) : m_bytes(bytes) {}
    bool empty() const { return m_pos >= m_bytes.size(); }
    std::uint8_t byte() { return empty() ? 0 : std::uint8_t(m_bytes[m_pos++]); }
    std::string_view take(std::size_t n) {
        const std::string_view s = m_bytes.substr(std::min(m_pos, m_bytes.size()), n);
        m_pos += s.size();
        return s;
    }

  private:
    std::string_view m_bytes;
    std::size_t m_pos = 0;
};

// Drives a loaded panel with random operator, line and time events and checks the panel's
// invariants after every one; check() names a broken invariant, or is empty.
class EventDriver {
  public:
    explicit EventDriver(PanelRig& rig) : m_rig(rig) {}

    // Performs one event chosen from `in`; false once the panel has ended (END).
    bool step(ByteSource& in) {
        if (m_rig.window.quitStatus >= 0)
            return false;
        ++m_events;
        if (m_rig.serial.writes.size() > 4096) {  // long runs keep only recent records
            m_rig.serial.writes.clear();
            m_rig.serial.calls.clear();
            m_rig.window.lineSets.clear();
            m_rig.window.warnings.clear();
        }
        const std::uint8_t op = in.byte(), arg = in.byte();
        const std::string_view name = control(arg);
        static constexpr std::array<const char*, 6> kOps{"open",  "open1", "open2",
                                                         "close", "port",  "settings"};
        // clang-format off
        switch (op % 12) {
            case 0: case 1:
                if (name.starts_with("Option"))
                    m_rig.window.setSelected(name);
                if (name != "Command16" || (in.byte() & 0x0F) == 0)  // END is rare: it ends
                    m_rig.form.click(name);
                break;
            case 2: m_rig.form.mouseDown(kHoldButtons[arg % kHoldButtons.size()].name); break;
            case 3: m_rig.form.mouseDown(name); break;
            case 4: m_rig.form.mouseUp(arg & 0x80 ? name : kHoldButtons[arg % 17].name); break;
            case 5: m_rig.form.keyDown(arg & 0x80 ? 74 : arg, in.byte() & 0x0F); break;
            case 6: m_rig.form.dblClick(arg & 1 ? "Image1" : name); break;
            case 7: m_rig.serial.receive(in.take(arg % 64)); break;
            case 8: {  // a serial operation starts or stops failing
                std::string& f = m_rig.serial.failures[kOps[arg % kOps.size()]];
                f = f.empty() ? "failed" : "";
                break;
            }
            case 9: m_rig.serial.portOpen() ? m_rig.serial.hangUp() : m_rig.serial.raiseEvent(arg); break;
            case 10: m_rig.window.setText("Text1", in.take(arg % 32)); break;
            default: m_rig.advance(arg & 0x80 ? (arg & 0x7F) * 10 : arg % 30);
        }
        // clang-format on
        return true;
    }

    std::string check() const {
        const PanelState& s = m_rig.form.state();
        if (s.replyWait > 1 || (s.heldCode && !findHoldByCode(s.heldCode)))
            return "ReplyWait or HoldCode out of range";
        if (s.heldCode == 0 && m_rig.holdRepeat.isEnabled())
            return "the hold repeat runs with nothing held";
        if (s.received.size() > kRxBufferLimit)
            return "RxBuffer beyond its bound";
        for (std::string_view label : {"Label11", "Label12", "Label22"}) {
            const std::string_view text = m_rig.form.lineText(label);
            if (text != m_rig.window.textOf(label))
                return std::string(label) + ": the core's text is not the window's";
            if (text.size() > 1 + 4 * kRxBufferLimit + 64)
                return std::string(label) + " longer than a buffer renders";
            for (char c : text) {
                if (c < 0x20 || c >= 0x7F)
                    return std::string(label) + " holds a control character";
            }
        }
        return {};
    }
    std::uint64_t events() const { return m_events; }

  private:
    // Every control that takes events, and names of controls that take none.
    static std::string_view control(std::uint8_t pick) {
        static constexpr std::array<std::string_view, 14> kOthers{
            "Command16", "Command33", "Command34", "Command95", "Command96", "Option1", "Option2",
            "Option9",   "Option10",  "Image1",    "Text1",     "Label12",   "Frame8",  "Nothing"};
        const std::size_t n1 = kOneShotButtons.size(), n2 = kHoldButtons.size();
        const std::size_t i = pick % (n1 + n2 + kOthers.size());
        if (i < n1)
            return kOneShotButtons[i].name;
        return i < n1 + n2 ? kHoldButtons[i - n1].name : kOthers[i - n1 - n2];
    }

    PanelRig& m_rig;
    std::uint64_t m_events = 0;
};

}  // namespace r7k::fakes
