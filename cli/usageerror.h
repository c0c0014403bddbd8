#pragma once

#include <stdexcept>
#include <string>

namespace cli {

// A bad argument: the program says which and exits with status 2.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& what)
        : std::runtime_error(what)
    {
    }
};

} // namespace cli
