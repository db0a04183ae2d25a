#pragma once
// A fuzzer's input as a page: its first line is the page address, the rest the page text (all of
// it a page at `fallback` when there is no line break).

#include <cstddef>
#include <cstdint>
#include <string>

struct FuzzInput {
    FuzzInput(const uint8_t* data, std::size_t size, const char* fallback) {
        const std::string input(reinterpret_cast<const char*>(data), size);
        const std::size_t newline = input.find('\n');
        address = newline == std::string::npos ? fallback : input.substr(0, newline);
        page = newline == std::string::npos ? input : input.substr(newline + 1);
    }

    std::string address;
    std::string page;
};
