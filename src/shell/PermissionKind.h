#pragma once

namespace pelko {

// The two permissions the program asks for: window control through Accessibility, and screen recording
// for thumbnails.
enum class PermissionKind { accessibility, screenRecording };

}  // namespace pelko
