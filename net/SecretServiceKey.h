#pragma once
// The password a Chromium-family browser keeps in the desktop's Secret Service under its
// "... Safe Storage" label, read through libsecret: never unlocking a locked keyring, and given
// up after a few seconds (the lookup then runs on untold). KDE's wallet is not reached.

#include "net/ChromiumCookies.h"

#include <chrono>
#include <optional>
#include <string>

class SecretServiceKey {
public:
    static constexpr std::chrono::seconds wait{5};
    static ChromiumCookies::Key Lookup(ChromiumCookies::Browser browser);
};
