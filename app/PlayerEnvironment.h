#pragma once

#include <QString>

class QApplication;

// Process settings that must be in place before the application object exists: the media backend, and
// what Qt WebEngine needs to run as root. A variable the user has set is left as it is.
namespace PlayerEnvironment {
void prepare();

// The application's names, its dark theme and the translations of the preferred languages; once the
// application object exists (the player, and tests that run the whole player).
void setUpApplication(QApplication& app);

// True for the libraries' start-up remarks that say nothing a user can act on: no sound server on this
// machine (playback goes on without sound), and the sandbox that prepare() itself turned off as root.
bool isLibraryChatter(const QString& message);
} // namespace PlayerEnvironment
