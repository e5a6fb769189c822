#include "request_params.h"

#include <httplib.h>

#include "http_error.h"

namespace web {

RequestParams::RequestParams(const httplib::Request& request, std::initializer_list<const char*> allowed) {
    for (const auto& [name, value] : request.params) {
        bool known = false;
        for (const char* a : allowed) known = known || name == a;
        if (!known) {
            std::string shown = name.substr(0, 40);
            throw HttpError{400, "unknown parameter \"" + shown + "\""};
        }
        if (values_.count(name) != 0) throw HttpError{400, "parameter " + name + " is given twice"};
        if (value.size() > MaxTextLength) throw HttpError{400, "parameter " + name + " is too long"};
        values_[name] = value;
    }
}

const std::string& RequestParams::text(const char* name) const {
    const auto found = values_.find(name);
    if (found == values_.end()) throw HttpError{400, std::string("parameter ") + name + " is missing"};
    return found->second;
}

std::string RequestParams::textOr(const char* name, const std::string& fallback) const {
    return has(name) ? text(name) : fallback;
}

int RequestParams::integer(const char* name, int min, int max) const {
    const std::string& value = text(name);
    const std::string range = std::to_string(min) + " to " + std::to_string(max);
    size_t at = value.size() > 0 && value[0] == '-' ? 1 : 0;
    bool digits = at < value.size();
    long long number = 0;
    for (size_t i = at; i < value.size() && digits; ++i) {
        digits = value[i] >= '0' && value[i] <= '9' && i - at < 12;
        if (digits) number = number * 10 + (value[i] - '0');
    }
    if (!digits) throw HttpError{400, std::string("parameter ") + name + " must be a whole number from " + range};
    if (at == 1) number = -number;
    if (number < min || number > max)
        throw HttpError{400, std::string("parameter ") + name + " is " + std::to_string(number) + ": it must be " +
                                 range};
    return int(number);
}

int RequestParams::integerOr(const char* name, int min, int max, int fallback) const {
    return has(name) ? integer(name, min, max) : fallback;
}

int RequestParams::choice(const char* name, std::initializer_list<const char*> words) const {
    const std::string& value = text(name);
    std::string list;
    int index = 0;
    for (const char* w : words) {
        if (value == w) return index;
        list += (index++ == 0 ? "" : ", ") + std::string(w);
    }
    throw HttpError{400, std::string("parameter ") + name + " must be one of " + list};
}

int RequestParams::choiceOr(const char* name, std::initializer_list<const char*> words, int fallback) const {
    return has(name) ? choice(name, words) : fallback;
}

}  // namespace web
