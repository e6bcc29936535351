#pragma once

#include <string>
#include <string_view>

namespace r7k {

// What a control is called for assistive technology: what it does, as the operator reads it
// ("POWER ON", "VOL +", "Zoom −", "INPUT MODE SET 3", "LENS SHIFT ↑", "TXD"). Empty for a
// control that says nothing of its own (a frame).
std::string accessibleName(std::string_view control);

}  // namespace r7k
