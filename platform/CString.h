#pragma once

#include <string>

// The framework's string: bytes (UTF-8 on this platform) in a std::string, with the few
// operations the catalogue uses under their usual names. Comparisons stay byte for byte.
class CString : public std::string {
public:
    using std::string::string;
    CString() = default;
    CString(const std::string& s) : std::string(s) {}
    CString(std::string&& s) : std::string(std::move(s)) {}
    // A null pointer gives the empty string, as a NULL value from the database should.
    CString(const char* s) : std::string(s ? s : "") {}

    CString& operator=(const char* s)
    {
        assign(s ? s : "");
        return *this;
    }
    CString& operator=(const std::string& s)
    {
        assign(s);
        return *this;
    }

    bool IsEmpty() const { return empty(); }
    int GetLength() const { return static_cast<int>(size()); }
    void Empty() { clear(); }
    // Upper-cases every letter, non-ASCII ones included. Bytes that are not valid UTF-8
    // are left as they are.
    void MakeUpper();
    operator const char*() const { return c_str(); }
};
