#pragma once
// One libcurl transfer handle and the multi handle that drives it, kept from one transfer to the
// next so that open connections, name look-ups and TLS sessions serve the following transfer.
// Used by one thread at a time.

#include <curl/curl.h>

class CurlHandles {
public:
    CurlHandles();
    ~CurlHandles();
    CurlHandles(const CurlHandles&) = delete;
    CurlHandles& operator=(const CurlHandles&) = delete;

    bool Valid() const { return easy != nullptr && multi != nullptr; }
    CURL* Easy() const { return easy; }
    CURLM* Multi() const { return multi; }
    // The outcome libcurl gave the last transfer on these handles.
    CURLcode LastCode() const { return lastCode; }
    void SetLastCode(CURLcode code) { lastCode = code; }
    // Whether the last answer's body ran past its Content-Length.
    bool Overlong() const { return overlong; }
    void SetOverlong(bool value) { overlong = value; }

private:
    CURLcode lastCode = CURLE_OK;
    bool overlong = false;
    CURL* easy = nullptr;
    CURLM* multi = nullptr;
};
