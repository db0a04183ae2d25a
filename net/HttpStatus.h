#pragma once
// How an answer's status reads to a person: "HTTP 404 Not Found".

#include <string>

class HttpStatus {
public:
    // "HTTP CODE" and the standard reason phrase, when the code has one.
    static std::string Text(long code);
};
