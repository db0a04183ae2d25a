#pragma once
// tarvik-cli's JSON Lines: one object a line, written by a maintained JSON library, so that names
// with tabs or quotes come through intact; text that is no valid UTF-8 is written with
// replacement characters.

#include <nlohmann/json.hpp>
#include <string>

class CliJson {
public:
    static std::string Line(const nlohmann::json& object);
};
