#pragma once
// Where the body of a fetched page goes.

#include <cstddef>

class PageSink {
public:
    virtual ~PageSink() = default;
    // Forgets what an earlier fetch left.
    virtual void Clear() = 0;
    // Takes a piece of the body. False once it holds all it can: the fetch stops reading then.
    virtual bool Append(const char* data, std::size_t size) = 0;
};
