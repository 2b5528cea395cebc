#pragma once

#include <QString>

#include <concepts>

// Numbers as the program shows them: one formatter for every display pattern,
// and the general form for values shown without a pattern.
//
// Pattern characters: "#" an optional digit, "0" a required digit, the first
// "." the decimal point; every other character is printed where it stands,
// whether or not digits land around it ("  ###  " shows 5 as "  5  ").
//  - Integer digits fill the placeholders from the right; digits beyond the
//    leftmost placeholder are all printed there, so no digit is ever lost.
//    A position is printed when a digit lands on it or when it, or any
//    placeholder to its left, is "0" ("0#" shows 5 as "05", "#0" as "5").
//    "##" prints nothing at all for 0.
//  - The value is rounded half away from zero to as many decimals as there
//    are decimal placeholders; trailing zeros are dropped as far as the last
//    "0" placeholder ("#0.0##" shows 1.5 as "1.5", "#0.#0" as "1.50"). The
//    decimal point itself is always printed.
//  - Rounding works on the decimal form the value carries: 15 significant
//    digits for a double, 7 for a single, so 2.675 shows as "2.68" with two
//    decimals although its binary value lies just below.
//  - A negative value gets a minus sign in front of everything, leading
//    literals included ("  ##0" shows -5 as "-  5"), also when it rounds
//    to zero ("0.0" shows -0.01 as "-0.0"), as the classic formatter does.
//  - An empty pattern gives the general form. Not-a-number and infinities
//    show as "NaN", "Inf" and "-Inf".
QString FormatNumber(double value, const QString& pattern);
QString FormatNumber(float value, const QString& pattern);
template <std::integral Int> QString FormatNumber(Int value, const QString& pattern) {
    return FormatNumber(double(value), pattern);
}

// The classic general form: the value rounded to the digits its type
// carries (7 significant digits for a single, 15 for a double, half away
// from zero on the decimal digits) with trailing zeros dropped, so the single
// 30.94 shows as "30.94", never "30.939999". Fixed notation ("0.1", "-12.5",
// "300") for magnitudes from 1E-05 up to below 1E+15 (single: 1E+07),
// otherwise the exponent form with a signed, at least two-digit exponent
// ("1E-07", "-2.5E+20"). Zero is "0".
QString GeneralForm(double value);
QString GeneralForm(float value);
