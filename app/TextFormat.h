// Fills the placeholders of a format text ("%@", "%d", "%u") with texts in order; "%%" is a percent sign.
// Screens keep their texts as format strings, so that the texts read and translate as whole sentences.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

inline std::string formatText(std::string_view format, std::initializer_list<std::string_view> arguments) {
    std::string out;
    auto next = arguments.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            out += format[i];
            continue;
        }
        const char kind = format[i + 1];
        if (kind == '%') {
            out += '%';
            ++i;
        } else if (kind == '@' || kind == 'd' || kind == 'u') {
            if (next != arguments.end())
                out += *next++;
            ++i;
        } else {
            out += '%';
        }
    }
    return out;
}
