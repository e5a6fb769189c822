// The parameters of one request (query string or form body), checked: only
// the names an operation takes, each at most once, numbers in their ranges,
// choices among their words. Every refusal is an HttpError 400 that names
// the parameter.
#pragma once

#include <initializer_list>
#include <map>
#include <string>

namespace httplib {
struct Request;
}

namespace web {

class RequestParams {
public:
    static constexpr size_t MaxTextLength = 16384;

    RequestParams(const httplib::Request& request, std::initializer_list<const char*> allowed);

    bool has(const char* name) const { return values_.count(name) != 0; }

    // The text of a parameter that must be there.
    const std::string& text(const char* name) const;
    // The text, or empty when absent.
    std::string textOr(const char* name, const std::string& fallback) const;

    // A decimal integer in min..max.
    int integer(const char* name, int min, int max) const;
    int integerOr(const char* name, int min, int max, int fallback) const;

    // The index of the parameter's word among words.
    int choice(const char* name, std::initializer_list<const char*> words) const;
    int choiceOr(const char* name, std::initializer_list<const char*> words, int fallback) const;

private:
    std::map<std::string, std::string> values_;
};

}  // namespace web
