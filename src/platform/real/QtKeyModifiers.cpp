#include "platform/real/QtKeyModifiers.h"

#include "platform/EventMonitors.h"

namespace pelko::real {

uint64_t macModifierFlags(Qt::KeyboardModifiers modifiers, ControlKeyRole controlKey) {
  uint64_t flags = 0;
  if (modifiers & Qt::ShiftModifier) flags |= platform::modifier_flag::kShift;
  if (modifiers & Qt::ControlModifier)
    flags |= controlKey == ControlKeyRole::command ? platform::modifier_flag::kCommand
                                                   : platform::modifier_flag::kControl;
  if (modifiers & Qt::AltModifier) flags |= platform::modifier_flag::kOption;
  return flags;
}

}  // namespace pelko::real
