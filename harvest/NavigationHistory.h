#pragma once
// The pages left behind by following links: a Back list and a Forward list, each a bounded stack
// of six (title, address) pairs, newest last. Kept in memory only.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct HistoryEntry {
    std::string title; // for the drop-down only; may be empty
    std::string url;
};

class NavigationHistory {
public:
    static constexpr int32_t capacity = 6;
    // Command ids of the drop-down items, newest first.
    static constexpr int backCommands[capacity] = {1014, 1017, 1018, 1019, 1020, 1021};
    static constexpr int forwardCommands[capacity] = {1022, 1023, 1024, 1025, 1026, 1027};

    // Bounded pushes: a full list loses its oldest entry.
    void PushBack(const HistoryEntry& entry);
    void PushForward(const HistoryEntry& entry);

    // Moves from the page `current` to Back entry `index` (0 the oldest): the current page and
    // the entries newer than the target go onto the Forward list, newest first. Returns the
    // address to fetch, or nothing when `index` names no entry. Back() is JumpBack(newest).
    std::optional<std::string> JumpBack(int32_t index, const HistoryEntry& current);
    std::optional<std::string> JumpForward(int32_t index, const HistoryEntry& current);
    std::optional<std::string> Back(const HistoryEntry& c) { return JumpBack(backCount - 1, c); }
    std::optional<std::string> Forward(const HistoryEntry& c) {
        return JumpForward(forwardCount - 1, c);
    }

    // The entry index a drop-down command asks for, or -1 for another command.
    int32_t BackIndexOf(int command) const;
    int32_t ForwardIndexOf(int command) const;
    // The drop-down's items, newest first: the title, or the address when it has none, and
    // the command id.
    std::vector<std::pair<std::string, int>> BackMenu() const;
    std::vector<std::pair<std::string, int>> ForwardMenu() const;

    std::array<HistoryEntry, capacity> backEntries;
    int32_t backCount = 0;
    std::array<HistoryEntry, capacity> forwardEntries;
    int32_t forwardCount = 0;
};
