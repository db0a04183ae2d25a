#include "harvest/NavigationHistory.h"

namespace {

using Entries = std::array<HistoryEntry, NavigationHistory::capacity>;

void Push(Entries& entries, int32_t& count, const HistoryEntry& entry) {
    if (count < NavigationHistory::capacity) {
        entries[count++] = entry;
        return;
    }
    for (int32_t i = 1; i < count; ++i)
        entries[i - 1] = std::move(entries[i]);
    entries[count - 1] = entry;
}

// Moves to entry `index` of `from`: the current page, then the entries newer than the target
// (newest first), go onto `to`.
std::optional<std::string> Jump(Entries& from, int32_t& fromCount, Entries& to, int32_t& toCount,
                                int32_t index, const HistoryEntry& current) {
    if (index < 0 || index >= fromCount)
        return std::nullopt;
    Push(to, toCount, current);
    while (fromCount > index + 1)
        Push(to, toCount, from[--fromCount]);
    fromCount = index;
    return from[index].url;
}

int32_t IndexOf(const int (&commands)[NavigationHistory::capacity], int32_t count, int command) {
    for (int32_t i = 0; i < NavigationHistory::capacity; ++i)
        if (commands[i] == command)
            return count - 1 - i;
    return -1;
}

std::vector<std::pair<std::string, int>> Menu(const Entries& entries, int32_t count,
                                              const int (&commands)[NavigationHistory::capacity]) {
    std::vector<std::pair<std::string, int>> items;
    for (int32_t i = 0; i < count; ++i) {
        const HistoryEntry& e = entries[count - 1 - i];
        items.emplace_back(e.title.empty() ? e.url : e.title, commands[i]);
    }
    return items;
}

} // namespace

void NavigationHistory::PushBack(const HistoryEntry& entry) {
    Push(backEntries, backCount, entry);
}

void NavigationHistory::PushForward(const HistoryEntry& entry) {
    Push(forwardEntries, forwardCount, entry);
}

std::optional<std::string> NavigationHistory::JumpBack(int32_t index, const HistoryEntry& current) {
    return Jump(backEntries, backCount, forwardEntries, forwardCount, index, current);
}

std::optional<std::string> NavigationHistory::JumpForward(int32_t index,
                                                          const HistoryEntry& current) {
    return Jump(forwardEntries, forwardCount, backEntries, backCount, index, current);
}

int32_t NavigationHistory::BackIndexOf(int command) const {
    return IndexOf(backCommands, backCount, command);
}

int32_t NavigationHistory::ForwardIndexOf(int command) const {
    return IndexOf(forwardCommands, forwardCount, command);
}

std::vector<std::pair<std::string, int>> NavigationHistory::BackMenu() const {
    return Menu(backEntries, backCount, backCommands);
}

std::vector<std::pair<std::string, int>> NavigationHistory::ForwardMenu() const {
    return Menu(forwardEntries, forwardCount, forwardCommands);
}
