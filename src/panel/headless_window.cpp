#include "panel/headless_window.h"

#include "panel/layout.h"

namespace r7k {

HeadlessWindow::HeadlessWindow()
    : m_outer{double(kClientWidth + kFrameWidth), double(kClientHeight + kFrameHeight)} {
    for (const ControlSpec& c : kControls) {
        const std::string name(c.name);
        m_visible[name] = c.visible;
        m_captions[name] = c.caption;
        if (c.kind == ControlKind::Option)
            m_selected[name] = c.selected;
    }
}

void HeadlessWindow::setText(std::string_view control, std::string_view text) {
    m_texts[std::string(control)] = text;
    if (onText)
        onText(control, text);
}

std::string_view HeadlessWindow::textOf(std::string_view control) const {
    auto it = m_texts.find(control);
    return it == m_texts.end() ? std::string_view() : std::string_view(it->second);
}

void HeadlessWindow::setVisible(std::string_view control, bool visible) {
    m_visible[std::string(control)] = visible;
}

bool HeadlessWindow::isVisible(std::string_view control) const {
    auto it = m_visible.find(control);
    return it != m_visible.end() && it->second;
}

void HeadlessWindow::setCaption(std::string_view control, std::string_view caption) {
    m_captions[std::string(control)] = caption;
}

std::string HeadlessWindow::caption(std::string_view control) const {
    auto it = m_captions.find(control);
    return it == m_captions.end() ? std::string() : it->second;
}

void HeadlessWindow::setSelected(std::string_view option) {
    const ControlSpec* chosen = findControl(option);
    if (chosen == nullptr || chosen->kind != ControlKind::Option)
        return;
    // Options are exclusive within their container.
    for (const ControlSpec& c : kControls) {
        if (c.kind == ControlKind::Option && c.container == chosen->container)
            m_selected[std::string(c.name)] = c.name == option;
    }
}

bool HeadlessWindow::isSelected(std::string_view option) const {
    auto it = m_selected.find(option);
    return it != m_selected.end() && it->second;
}

void HeadlessWindow::move(double l, double t) {
    left = l;
    top = t;
}

void HeadlessWindow::warn(std::string_view text) {
    warnings.emplace_back(text);
    if (onWarn)
        onWarn(text);
}

void HeadlessWindow::quit(int status) {
    quitStatus = status;
}

}  // namespace r7k
