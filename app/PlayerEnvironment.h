#pragma once

// Process settings that must be in place before the application object exists: the media backend, and
// what Qt WebEngine needs to run as root. A variable the user has set is left as it is.
namespace PlayerEnvironment {
void prepare();
}
