#pragma once

#include <QString>

namespace dravix {

// Where an error that no handler traps ends up: the user sees its number and text.
class ErrorReporter
{
public:
    virtual ~ErrorReporter() = default;
    virtual void report(int number, const QString& text) = 0;
};

} // namespace dravix
