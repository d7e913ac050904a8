#pragma once

#include "values/string.h"

#include <QByteArray>
#include <QtGlobal>

// The text primitives behind the string and number-base natives, for other
// natives that print or read numbers the same way.

enum class DigitParse { OK, BAD_DIGIT, TOO_BIG };

// Reads a digit string of base 2, 8 or 16 (hexadecimal digits in either
// case, no prefix, no sign). The empty string is 0. Any character that is
// not a digit of the base gives BAD_DIGIT, even after an overflow; a value
// of 2^64 or more gives TOO_BIG.
DigitParse parseDigits(const String &text, unsigned base, quint64 &value);

// The digits of `value` in base 2, 8 or 16, most significant first, lower
// case, no leading zeros; 0 gives the empty string.
QByteArray formatDigits(quint64 value, unsigned base);

// num2str's text of a double: 15 significant digits in the general format
// ("0.1", "1e+20"), 17 next to the largest double where 15 would round
// beyond it, "0" for both zeros, "inf", "-inf" and "nan".
QByteArray numberText(double value);
