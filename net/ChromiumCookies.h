#pragma once
// The cookies of the Chromium family on Linux (Chromium, Google Chrome, Brave): the profile's
// Network/Cookies (or the older Cookies) under the browser's folder in ~/.config (or the Snap
// and Flatpak homes), copied and read with SQLite. Values are decrypted as the browser
// encrypts them: "v10" with its fixed Linux key, "v11" with a key made from the password it
// keeps in the desktop's Secret Service (asked through a seam); stores of version 24 and later
// put 32 bytes of a hash before each value, which are dropped. Partitioned cookies are left out,
// and a value that does not decrypt is counted, never sent garbled.

#include "net/Cookie.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class ChromiumCookies {
public:
    enum class Browser { Chromium, Chrome, Brave };
    // The password `browser` keeps under its "... Safe Storage" label; none when there is none
    // at hand, with why ("the keyring is locked", "no keyring answered", ...).
    struct Key {
        Key(std::optional<std::string> password = std::nullopt,
            std::string why = "no keyring answered")
            : password(std::move(password)), why(std::move(why)) {}
        std::optional<std::string> password;
        std::string why;
    };
    using KeyLookup = std::function<Key(Browser)>;

    // "Chromium", "Chrome", "Brave": the label's first word; the Secret Service's
    // "application" attribute is its lower-case form.
    static const char* Name(Browser browser);
    static std::vector<std::string> Homes(const std::string& home, Browser browser);
    // The cookie database of `profile` (empty: "Default"; a folder's name or a path).
    static std::optional<std::string> CookieFile(const std::string& home, Browser browser,
                                                 const std::string& profile, std::string& why);
    // The profile folders found under `home` for `browser`.
    static std::vector<std::string> ProfileNames(const std::string& home, Browser browser);
    // The profile folder of user-data folder `userData` that `name` names (the name shown);
    // with no name, the one its Local State says was used last, else "Default".
    static std::string ChosenProfile(const std::string& userData, const std::string& name);

    // What a read could not hand on: values that did not decrypt, and why.
    struct Found {
        int undecryptable = 0;
        std::string undecryptableWhy;
    };
    // The cookies of `file`, unexpired at `now`, handed to `sink`; none with `why`.
    static std::optional<Found> Read(const std::string& file, Browser browser, int64_t now,
                                     const KeyLookup& lookup, std::string& why,
                                     const CookieSink& sink);

    // The AES-128 key the browser makes from `password` (PBKDF2-SHA1, salt "saltysalt", one
    // round).
    static std::string KeyOf(const std::string& password);
    // `encrypted` (AES-128-CBC, an IV of 16 spaces, PKCS#7 padding) decrypted with `key`.
    static std::optional<std::string> Decrypt(std::string_view encrypted, const std::string& key);
};
