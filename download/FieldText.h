#pragma once
// One text field of a line-based file Tarvik keeps (the queue file, a part's record): tabs, line
// breaks and backslashes inside a field are written as \t, \n, \r and \\.

#include <string>
#include <string_view>

class FieldText {
public:
    static std::string Escape(std::string_view text);
    // False when `text` holds an escape that Escape never writes.
    static bool Unescape(std::string_view text, std::string& out);
};
