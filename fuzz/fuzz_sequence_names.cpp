// Sequence names: the base name (extension and trailing digits taken off, any Unicode digits) and
// the numeric order of frame names, which must be a strict weak order for the scan's sort.
#include "platform/framework/path_ops.h"
#include "platform/framework/string_compare.h"
#include "platform/framework/unicode_text.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Three names, separated by NUL bytes.
    std::string text(reinterpret_cast<const char*>(data), size);
    std::string names[3];
    size_t start = 0;
    for (std::string& name : names) {
        size_t end = text.find('\0', start);
        name = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
    }
    for (const std::string& name : names) {
        std::string base = fw::deletingTrailingDecimalDigits(fw::stringByDeletingPathExtension(name));
        if (base.size() > name.size())
            std::abort();
    }
    const std::string& a = names[0];
    const std::string& b = names[1];
    const std::string& c = names[2];
    if (fw::numericLess(a, a))
        std::abort(); // irreflexive
    if (fw::numericLess(a, b) && fw::numericLess(b, a))
        std::abort(); // asymmetric
    if (fw::numericLess(a, b) && fw::numericLess(b, c) && !fw::numericLess(a, c))
        std::abort(); // transitive
    return 0;
}
