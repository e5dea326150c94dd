#pragma once

#include <QString>

// The value field of a module reply: "*", a sign, then eight characters of value text
// ("*+00021.50", "*-00003.25").
struct ReplyValue {
    enum class Kind {
        Invalid, // no "*" first, or value text that is not a number
        Empty,   // "*" with no value text
        Number
    };
    Kind kind = Kind::Invalid;
    double value = 0;
};

// Characters 3 to 10 read with "." as the decimal point, negated when the second character is
// "-" (the modules put the sign there).
ReplyValue parseReplyValue(const QString& reply);
