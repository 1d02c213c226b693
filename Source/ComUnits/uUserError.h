#pragma once

#include <QString>

#include <exception>

// The text of a box that reports a failure to the user: one plain sentence in the user's
// language that says what failed and what to do, then a blank line and the error's own text
// (its code), for whoever supports the user. `otherwise` is the sentence for a failure that
// is not the database's; empty for the general one.
QString UserErrorText(const std::exception& error, const QString& otherwise = QString());
