#include "ui/ShortcutModifiers.h"

#include "platform/EventMonitors.h"

namespace pelko {

uint64_t shortcutModifierFlags(Qt::KeyboardModifiers modifiers) {
  uint64_t flags = 0;
  if (modifiers & Qt::ShiftModifier) flags |= platform::modifier_flag::kShift;
  if (modifiers & Qt::ControlModifier) flags |= platform::modifier_flag::kCommand;
  if (modifiers & Qt::AltModifier) flags |= platform::modifier_flag::kOption;
  return flags;
}

}  // namespace pelko
