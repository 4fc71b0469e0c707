// Reading whole numbers: at most 16 digits, so that no value read can overflow on its way to the limit.
#include "platform/common/numbers.h"

namespace {

bool ParseDigits(std::string_view digits, int64_t& value) {
    if (digits.empty() || digits.size() > 16) return false;
    value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

}  // namespace

bool ParseWholeNumber(std::string_view text, int64_t& value) { return ParseDigits(text, value) && value <= MAX_NUMBER; }

bool ParseDecimal(std::string_view text, int64_t low, int64_t high, int64_t& value) {
    const bool negative = !text.empty() && text[0] == '-';
    const std::string_view digits = text.substr(negative ? 1 : 0);
    if ((digits.size() > 1 && digits[0] == '0') || !ParseDigits(digits, value) || (negative && value == 0)) return false;
    if (negative) value = -value;
    return value >= low && value <= high;
}
