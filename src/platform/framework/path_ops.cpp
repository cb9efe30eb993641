#include "platform/framework/path_ops.h"

namespace fw {

namespace {

/// Start of the last component of a tidied path that is longer than one character.
size_t startOfLastComponent(const std::string& fixed) {
    const size_t slash = fixed.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

/// Position of the dot that begins the extension of a tidied path, or npos.
size_t extensionDot(const std::string& fixed) {
    if (fixed.size() <= 1)
        return std::string::npos;
    const size_t start = startOfLastComponent(fixed);
    const size_t dot = fixed.rfind('.');
    if (dot == std::string::npos || dot < start || dot == start)
        return std::string::npos;
    // ".." is a reference to the parent, not a name with an empty extension.
    if (dot == start + 1 && dot + 1 == fixed.size() && fixed[start] == '.')
        return std::string::npos;
    return dot;
}

} // namespace

std::string stringByFixingSlashes(std::string_view path) {
    std::string fixed;
    fixed.reserve(path.size());
    for (char c : path) {
        if (c == '/' && !fixed.empty() && fixed.back() == '/')
            continue;
        fixed += c;
    }
    if (fixed.size() > 1 && fixed.back() == '/')
        fixed.pop_back();
    return fixed;
}

std::string lastPathComponent(std::string_view path) {
    const std::string fixed = stringByFixingSlashes(path);
    if (fixed.size() <= 1)
        return fixed;
    return fixed.substr(startOfLastComponent(fixed));
}

std::string stringByDeletingLastPathComponent(std::string_view path) {
    const std::string fixed = stringByFixingSlashes(path);
    if (fixed.empty() || fixed == "/")
        return fixed;
    const size_t start = startOfLastComponent(fixed);
    if (start == 0)
        return "";
    if (start == 1)
        return "/";
    return fixed.substr(0, start - 1);
}

std::string pathExtension(std::string_view path) {
    const std::string fixed = stringByFixingSlashes(path);
    const size_t dot = extensionDot(fixed);
    return dot == std::string::npos ? std::string() : fixed.substr(dot + 1);
}

std::string stringByDeletingPathExtension(std::string_view path) {
    const std::string fixed = stringByFixingSlashes(path);
    const size_t dot = extensionDot(fixed);
    return dot == std::string::npos ? fixed : fixed.substr(0, dot);
}

std::string stringByAppendingPathComponent(std::string_view path, std::string_view component) {
    if (component.empty())
        return std::string(path);
    if (path.empty())
        return std::string(component);
    std::string joined(path);
    if (joined.back() != '/')
        joined += '/';
    joined += component;
    return joined;
}

std::optional<std::string> stringByAppendingPathExtension(std::string_view path, std::string_view extension) {
    if (path.empty() || path == "/" || (!extension.empty() && extension.front() == '/'))
        return std::nullopt;
    std::string result(path);
    if (result.size() > 1 && result.back() == '/')
        result.pop_back();
    result += '.';
    result += extension;
    return stringByFixingSlashes(result);
}

} // namespace fw
