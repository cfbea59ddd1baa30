// ConstText: text joined at compile time from string literals and decimal numbers, so that a
// fixed message or scan pattern that quotes a limit is spelled from the constant that sets it.
//
//   constexpr auto TooManyPositionsText = JoinText("more than ", DecimalText<ObjMaxElements>(), " positions");
//   TooManyPositionsText.chars is "more than 65535 positions", a constant with static storage.
#pragma once

#include <cstddef>

template <size_t Size>  // characters and the terminator
struct ConstText {
    char chars[Size] = {};

    constexpr ConstText() = default;
    constexpr ConstText(const char (&text)[Size])
    {
        for (size_t i = 0; i < Size; ++i) chars[i] = text[i];
    }
};

// The number of decimal digits of a non-negative number.
constexpr size_t DecimalDigits(long long value)
{
    size_t digits = 1;
    for (; value >= 10; value /= 10) ++digits;
    return digits;
}

// A non-negative number in decimal, without sign or leading zeros.
template <long long Value>
constexpr ConstText<DecimalDigits(Value) + 1> DecimalText()
{
    static_assert(Value >= 0, "DecimalText spells non-negative numbers");
    ConstText<DecimalDigits(Value) + 1> text;
    long long rest = Value;
    for (size_t i = DecimalDigits(Value); i-- > 0; rest /= 10) text.chars[i] = static_cast<char>('0' + rest % 10);
    return text;
}

// The parts one after another: each part a string literal or a ConstText.
template <typename... Parts>
constexpr auto JoinText(const Parts&... parts)
{
    constexpr size_t size = (sizeof(ConstText(parts).chars) + ...) - sizeof...(Parts) + 1;
    ConstText<size> joined;
    size_t at = 0;
    auto append = [&](const auto& part) {
        for (size_t i = 0; i + 1 < sizeof part.chars; ++i) joined.chars[at++] = part.chars[i];
    };
    (append(ConstText(parts)), ...);
    return joined;
}
