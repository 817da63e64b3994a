#pragma once

#include <QtCore/qnamespace.h>

#include <cstdint>

namespace pelko {

// The Mac's modifier flags for a key equivalent of one of our windows, from the keys Qt reports held on
// Linux. A Linux keyboard has no Command key, so the physical Control key plays Command's part in the
// shortcuts written with Command (Command-, is Control-,). Alt is Option; Super stands for no Mac key:
// holding it adds nothing. Caps Lock is no Qt modifier; who compares it reads it from the event's
// native state.
uint64_t shortcutModifierFlags(Qt::KeyboardModifiers modifiers);

}  // namespace pelko
