#include "protocol/arguments.h"

#include <cctype>
#include <climits>

namespace protocol {

namespace {

bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a signed decimal at *text after white space; on success advances *text.
bool readInteger(const char*& text, int32_t& value) {
    const char* p = text;
    while (isBlank(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    if (!isDigit(*p)) return false;
    int64_t magnitude = 0;
    for (; isDigit(*p); ++p) {
        if (magnitude <= int64_t(INT32_MAX) + 1) magnitude = magnitude * 10 + (*p - '0');
    }
    int64_t v = negative ? -magnitude : magnitude;
    if (v > INT32_MAX) v = INT32_MAX;
    if (v < INT32_MIN) v = INT32_MIN;
    value = static_cast<int32_t>(v);
    text = p;
    return true;
}

}  // namespace

int parseArguments(const char* text, const char* pattern, int32_t* values, int maxValues) {
    int count = 0;
    for (const char* f = pattern; *f; ++f) {
        if (f[0] == '%' && f[1] == 'd') {
            int32_t v;
            if (count >= maxValues || !readInteger(text, v)) break;
            values[count++] = v;
            ++f;
        } else if (isBlank(*f)) {
            while (isBlank(*text)) ++text;
        } else {
            if (*text != *f) break;
            ++text;
        }
    }
    return count;
}

int32_t parseInteger(const char* text) {
    int32_t v = 0;
    return readInteger(text, v) ? v : 0;
}

}  // namespace protocol
