#include "search/reporter.h"

#include <cstdarg>
#include <cstdio>

namespace search {

void writeLine(LineWriter* writer, const char* format, ...) {
    if (writer == nullptr) return;
    char text[16384];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    writer->writeLine(text);
}

}  // namespace search
