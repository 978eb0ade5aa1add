#pragma once

namespace vm {
inline constexpr const char kVersionText[] = "VobMarks Ver 1.10 (English)";
}
