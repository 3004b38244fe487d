#pragma once

#include <QString>

// Process settings that must be in place before the application object exists: the media backend, and
// what Qt WebEngine needs to run as root. A variable the user has set is left as it is.
namespace PlayerEnvironment {
void prepare();

// True for the libraries' start-up remarks that say nothing a user can act on: no sound server on this
// machine (playback goes on without sound), and the sandbox that prepare() itself turned off as root.
bool isLibraryChatter(const QString& message);
} // namespace PlayerEnvironment
