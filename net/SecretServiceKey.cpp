#include "net/SecretServiceKey.h"

#include <future>
#include <libsecret/secret.h>
#include <memory>
#include <thread>

namespace {

ChromiumCookies::Key Search(const std::string& application, const std::string& label) {
    GError* error = nullptr;
    GHashTable* attributes = g_hash_table_new(g_str_hash, g_str_equal);
    g_hash_table_insert(attributes, const_cast<char*>("application"),
                        const_cast<char*>(application.c_str()));
    // Items of unlocked collections only, with their secrets; nothing is unlocked.
    GList* items = secret_service_search_sync(
        nullptr, nullptr, attributes,
        static_cast<SecretSearchFlags>(SECRET_SEARCH_ALL | SECRET_SEARCH_LOAD_SECRETS), nullptr,
        &error);
    g_hash_table_unref(attributes);
    if (error != nullptr) {
        g_error_free(error);
        return {};
    }
    std::optional<std::string> password;
    bool locked = false;
    for (GList* at = items; at != nullptr && !password; at = at->next) {
        auto* item = static_cast<SecretItem*>(at->data);
        gchar* itemLabel = secret_item_get_label(item);
        const bool named = itemLabel != nullptr && label == itemLabel;
        g_free(itemLabel);
        locked = locked || (named && secret_item_get_locked(item));
        SecretValue* value =
            named && !secret_item_get_locked(item) ? secret_item_get_secret(item) : nullptr;
        if (value != nullptr) {
            gsize length = 0;
            const gchar* text = secret_value_get(value, &length);
            password = std::string(text, length);
            secret_value_unref(value);
        }
    }
    g_list_free_full(items, g_object_unref);
    if (password)
        return {password, ""};
    return {std::nullopt, locked ? "the keyring is locked" : "the keyring holds no key for it"};
}

} // namespace

ChromiumCookies::Key SecretServiceKey::Lookup(ChromiumCookies::Browser browser) {
    std::string application = ChromiumCookies::Name(browser);
    for (char& c : application)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    const std::string label = std::string(ChromiumCookies::Name(browser)) + " Safe Storage";
    // A desktop bus that does not answer holds only its own thread.
    auto result = std::make_shared<std::promise<ChromiumCookies::Key>>();
    std::future<ChromiumCookies::Key> answer = result->get_future();
    try {
        std::thread([result, application, label] {
            result->set_value(Search(application, label));
        }).detach();
    } catch (const std::system_error&) {
        return {};
    }
    if (answer.wait_for(wait) != std::future_status::ready)
        return {};
    return answer.get();
}
