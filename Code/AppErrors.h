#pragma once

#include <stdexcept>

#include <QString>

// The program's error types. Each carries a message that names the value or
// the file and the cause, ready to be shown in the application's error box.
class EAppError : public std::runtime_error
{
public:
    explicit EAppError(const QString &message)
        : std::runtime_error(message.toStdString()) {}

    QString Message() const { return QString::fromStdString(what()); }
};

// A text could not be read as a number.
class EConvertError final : public EAppError
{
public:
    using EAppError::EAppError;
};

// A file could not be opened, created, read or written.
class EFileError final : public EAppError
{
public:
    using EAppError::EAppError;
};

// A caller broke an operation's contract (a missing argument).
class EAssertionFailed final : public EAppError
{
public:
    using EAppError::EAppError;
};
