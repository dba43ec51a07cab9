#pragma once

// The exit statuses of kelvara-db and the two kinds of failure every part of it throws.

#include <stdexcept>

namespace kelvara::dbtool {

constexpr int kExitOk = 0;
constexpr int kExitError = 1;
constexpr int kExitUsage = 2;

// A command line the tool cannot make sense of; exit status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Anything else that stops a command; exit status 1.
class ToolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Another program held the catalogue for longer than the tool waits: not a fault of the
// catalogue, and never reported as one.
class CatalogueLocked : public ToolError {
public:
    using ToolError::ToolError;
};

}  // namespace kelvara::dbtool
