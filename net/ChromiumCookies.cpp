#include "net/ChromiumCookies.h"

#include "net/CookieDatabase.h"
#include "net/PrivateCopy.h"
#include "net/StoreFile.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <nlohmann/json.hpp>
#include <openssl/evp.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Seconds between 1601-01-01, where the browser counts its microseconds from, and 1970-01-01.
constexpr int64_t windowsEpoch = 11644473600;

} // namespace

const char* ChromiumCookies::Name(Browser browser) {
    switch (browser) {
    case Browser::Chrome:
        return "Chrome";
    case Browser::Brave:
        return "Brave";
    case Browser::Chromium:
        break;
    }
    return "Chromium";
}

std::vector<std::string> ChromiumCookies::Homes(const std::string& home, Browser browser) {
    switch (browser) {
    case Browser::Chrome:
        return {home + "/.config/google-chrome",
                home + "/.var/app/com.google.Chrome/config/google-chrome"};
    case Browser::Brave:
        return {home + "/.config/BraveSoftware/Brave-Browser",
                home + "/snap/brave/current/.config/BraveSoftware/Brave-Browser",
                home + "/.var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser"};
    case Browser::Chromium:
        break;
    }
    return {home + "/.config/chromium", home + "/snap/chromium/common/chromium",
            home + "/.var/app/org.chromium.Chromium/config/chromium"};
}

std::optional<std::string> ChromiumCookies::CookieFile(const std::string& home, Browser browser,
                                                       const std::string& profile,
                                                       std::string& why) {
    // A path is a profile folder or a user-data folder; a word names a profile, by its folder
    // or by the name the browser shows; nothing, the profile last used.
    std::vector<std::string> folders;
    const bool path = profile.find('/') != std::string::npos;
    for (const std::string& base :
         path ? std::vector<std::string>{profile} : Homes(home, browser)) {
        if (path)
            folders.push_back(base);
        if (!path && !profile.empty())
            folders.push_back(base + "/" + profile);
        if (const std::string chosen = ChosenProfile(base, path ? "" : profile); !chosen.empty())
            folders.push_back(base + "/" + chosen);
    }
    std::string looked;
    for (const std::string& folder : folders)
        for (const char* file : {"/Network/Cookies", "/Cookies"}) {
            if (IsFile(folder + file))
                return folder + file;
            looked += (looked.empty() ? "" : ", ") + folder + file;
        }
    why = looked + ": no such file";
    return std::nullopt;
}

std::vector<std::string> ChromiumCookies::ProfileNames(const std::string& home, Browser browser) {
    std::vector<std::string> names;
    for (const std::string& base : Homes(home, browser)) {
        StoreFile file;
        std::string text, why;
        if (!file.Open(base + "/Local State", why) || !file.ReadAll(text, why, 64u << 20))
            text.clear();
        const nlohmann::json state = nlohmann::json::parse(text, nullptr, false);
        std::vector<std::string> here;
        if (::access((base + "/Default").c_str(), F_OK) == 0)
            here.push_back("Default");
        if (state.is_object() && state.contains("profile") && state["profile"].is_object() &&
            state["profile"].contains("info_cache") && state["profile"]["info_cache"].is_object())
            for (const auto& [folder, info] : state["profile"]["info_cache"].items())
                here.push_back(folder);
        for (const std::string& name : here)
            if (name.find('/') == std::string::npos &&
                std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
    }
    return names;
}

std::string ChromiumCookies::ChosenProfile(const std::string& userData, const std::string& name) {
    StoreFile file;
    std::string text, why;
    if (!file.Open(userData + "/Local State", why) || !file.ReadAll(text, why, 64u << 20))
        text.clear();
    nlohmann::json state = nlohmann::json::parse(text, nullptr, false);
    const nlohmann::json* profiles = nullptr;
    if (state.is_object() && state.contains("profile") && state["profile"].is_object())
        profiles = &state["profile"];
    if (name.empty()) {
        if (profiles != nullptr && profiles->contains("last_used") &&
            (*profiles)["last_used"].is_string())
            return (*profiles)["last_used"].get<std::string>();
        return "Default";
    }
    // The name the browser shows for a profile, in its info cache.
    if (profiles != nullptr && profiles->contains("info_cache") &&
        (*profiles)["info_cache"].is_object())
        for (const auto& [folder, info] : (*profiles)["info_cache"].items())
            if (info.is_object() && info.contains("name") && info["name"].is_string() &&
                info["name"].get<std::string>() == name && folder.find('/') == std::string::npos)
                return folder;
    return {};
}

std::string ChromiumCookies::KeyOf(const std::string& password) {
    unsigned char key[16] = {};
    static const unsigned char salt[] = "saltysalt";
    PKCS5_PBKDF2_HMAC_SHA1(password.data(), static_cast<int>(password.size()), salt, 9, 1,
                           sizeof key, key);
    return std::string(reinterpret_cast<const char*>(key), sizeof key);
}

std::optional<std::string> ChromiumCookies::Decrypt(std::string_view encrypted,
                                                    const std::string& key) {
    if (encrypted.empty() || encrypted.size() % 16 != 0 || key.size() != 16)
        return std::nullopt;
    const std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(
        EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    static const unsigned char iv[16] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                         ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    std::string plain(encrypted.size() + 16, '\0');
    int written = 0, last = 0;
    auto* out = reinterpret_cast<unsigned char*>(plain.data());
    if (!context ||
        EVP_DecryptInit_ex(context.get(), EVP_aes_128_cbc(), nullptr,
                           reinterpret_cast<const unsigned char*>(key.data()), iv) != 1 ||
        EVP_DecryptUpdate(context.get(), out, &written,
                          reinterpret_cast<const unsigned char*>(encrypted.data()),
                          static_cast<int>(encrypted.size())) != 1 ||
        EVP_DecryptFinal_ex(context.get(), out + written, &last) != 1)
        return std::nullopt; // a wrong key shows in the padding
    plain.resize(static_cast<std::size_t>(written + last));
    return plain;
}

std::optional<ChromiumCookies::Found>
ChromiumCookies::Read(const std::string& file, Browser browser, int64_t now,
                      const KeyLookup& lookup, std::string& why, const CookieSink& sink) {
    PrivateCopy copy;
    CookieDatabase db;
    if (!copy.Make(file, {"-wal", "-journal"}, why) || !db.Open(copy.Path(), why))
        return std::nullopt;
    int64_t version = -1;
    db.Each(
        "SELECT value FROM meta WHERE key = 'version'",
        [&](sqlite3_stmt* row) {
            version = std::strtoll(CookieDatabase::Text(row, 0).c_str(), nullptr, 10);
        },
        why);
    if (version < 10 || !db.HasColumn("cookies", "encrypted_value") ||
        !db.HasColumn("cookies", "host_key")) {
        why = "of an unknown version (" + std::to_string(version) + ")";
        return std::nullopt;
    }
    const bool partitioned = db.HasColumn("cookies", "top_frame_site_key");
    const std::string v10 = KeyOf("peanuts");
    std::optional<std::string> v11;
    std::string noKey;
    bool asked = false;
    Found found;
    const bool read = db.Each(
        std::string("SELECT host_key, path, is_secure, expires_utc, name, value, "
                    "encrypted_value, is_httponly, ") +
            (partitioned ? "top_frame_site_key" : "''") + " FROM cookies",
        [&](sqlite3_stmt* row) {
            if (!CookieDatabase::Text(row, 8).empty())
                return; // partitioned by another site
            Cookie c;
            c.domain = CookieDatabase::Text(row, 0);
            c.path = CookieDatabase::Text(row, 1);
            c.secure = CookieDatabase::Number(row, 2) != 0;
            const int64_t expires = CookieDatabase::Number(row, 3);
            c.expiry = expires == 0 ? 0 : std::max<int64_t>(1, expires / 1000000 - windowsEpoch);
            c.name = CookieDatabase::Text(row, 4);
            c.value = CookieDatabase::Text(row, 5);
            c.httpOnly = CookieDatabase::Number(row, 7) != 0;
            if (c.expiry != 0 && c.expiry <= now)
                return;
            const std::string encrypted = CookieDatabase::Text(row, 6);
            if (c.value.empty() && !encrypted.empty()) {
                const std::string prefix = encrypted.substr(0, 3);
                if (prefix == "v11" && !asked) {
                    asked = true;
                    const Key answer = lookup ? lookup(browser) : Key();
                    if (answer.password)
                        v11 = KeyOf(*answer.password);
                    noKey = answer.why;
                }
                const std::string* key = prefix == "v10"          ? &v10
                                         : prefix == "v11" && v11 ? &*v11
                                                                  : nullptr;
                std::optional<std::string> plain =
                    key != nullptr ? Decrypt(std::string_view(encrypted).substr(3), *key)
                                   : std::nullopt;
                // Newer stores put the SHA-256 of the cookie's domain before its value.
                if (plain && version >= 24)
                    plain = plain->size() >= 32 ? std::optional(plain->substr(32)) : std::nullopt;
                if (plain)
                    c.value = std::move(*plain);
                if (!plain || !c.Sound()) {
                    ++found.undecryptable;
                    // The keyring's word says most; a value the key does not open, the least.
                    if (prefix == "v11" && !v11)
                        found.undecryptableWhy = noKey;
                    else if (found.undecryptableWhy.empty())
                        found.undecryptableWhy = "a value of an unknown kind";
                    return;
                }
            }
            if (c.Sound())
                sink(std::move(c));
        },
        why);
    if (!read)
        return std::nullopt;
    return found;
}
