#include "fakes/fake_window.h"

namespace r7k::fakes {

FakeWindow::FakeWindow(const FakeClock* clock) : m_clock(clock) {
    m_visible["Frame8"] = false;
    m_visible["Command34"] = false;
    m_captions["Command34"] = "データを表示する";
    m_selected["Option9"] = true;
}

void FakeWindow::setText(std::string_view control, std::string_view text) {
    m_texts[std::string(control)] = text;
    if (control == "Label11" || control == "Label12" || control == "Label22") {
        lineSets.push_back(
            {m_clock ? m_clock->now() : milliseconds{0}, std::string(control), std::string(text)});
    }
}

std::string FakeWindow::text(std::string_view control) const {
    auto it = m_texts.find(control);
    return it == m_texts.end() ? std::string() : it->second;
}

void FakeWindow::setVisible(std::string_view control, bool visible) {
    m_visible[std::string(control)] = visible;
}

bool FakeWindow::isVisible(std::string_view control) const {
    auto it = m_visible.find(control);
    return it == m_visible.end() ? true : it->second;
}

void FakeWindow::setCaption(std::string_view control, std::string_view caption) {
    m_captions[std::string(control)] = caption;
}

std::string FakeWindow::caption(std::string_view control) const {
    auto it = m_captions.find(control);
    return it == m_captions.end() ? std::string() : it->second;
}

void FakeWindow::setSelected(std::string_view option) {
    // Port and speed buttons are two separate exclusive groups.
    static constexpr const char* kPort[] = {"Option1", "Option2"};
    static constexpr const char* kSpeed[] = {"Option9", "Option10"};
    const bool port = option == "Option1" || option == "Option2";
    for (const char* o : port ? kPort : kSpeed)
        m_selected[o] = false;
    m_selected[std::string(option)] = true;
}

bool FakeWindow::isSelected(std::string_view option) const {
    auto it = m_selected.find(option);
    return it != m_selected.end() && it->second;
}

void FakeWindow::warn(std::string_view text) {
    warnings.emplace_back(text);
    if (duringWarning)
        duringWarning();
}

}  // namespace r7k::fakes
