#pragma once

#include <QtCore/qnamespace.h>

#include <cstdint>

namespace pelko::real {

// What the physical Control key stands for. A Linux keyboard has no Command key: Control plays
// Command's part in the shortcuts written with Command (Command-, is Control-,) and its own in those
// written with Control (Control-Option-T is Control-Alt-T).
enum class ControlKeyRole { command, control };

// The Mac's modifier flags for the keys Qt reports held on Linux, where Qt's Control is the physical
// Control key, Alt is Option and Meta is Super. Super stands for no Mac key: holding it adds nothing.
// Caps Lock is no Qt modifier; who compares it reads it from the event's native state.
uint64_t macModifierFlags(Qt::KeyboardModifiers modifiers, ControlKeyRole controlKey);

}  // namespace pelko::real
