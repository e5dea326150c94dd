#include "ReplyValue.h"

#include <charconv>
#include <optional>

namespace {
// The modules send plain fixed-point decimals padded with blanks: an optional sign, digits and at
// most one ".". Anything else ("1e3", "inf", "0x10", "1,5") is not a reading.
std::optional<double> plainDecimalValue(const QString& padded) {
    const QByteArray text = padded.trimmed().toLatin1();
    qsizetype start = 0;
    if (!text.isEmpty() && (text[0] == '+' || text[0] == '-'))
        start = 1;
    int digits = 0, points = 0;
    for (qsizetype i = start; i < text.size(); ++i) {
        if (text[i] >= '0' && text[i] <= '9')
            ++digits;
        else if (text[i] == '.')
            ++points;
        else
            return std::nullopt;
    }
    if (digits == 0 || points > 1)
        return std::nullopt;
    // from_chars takes no "+" and ignores the C library's locale: "." is the decimal point.
    double value = 0;
    const char* first = text.constData() + (text[0] == '+' ? 1 : 0);
    const auto result = std::from_chars(first, text.constData() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.constData() + text.size())
        return std::nullopt;
    return value;
}
} // namespace

ReplyValue parseReplyValue(const QString& reply) {
    ReplyValue result;
    if (!reply.startsWith('*'))
        return result;
    const QString valueText = reply.mid(2, 8);
    if (valueText.isEmpty()) {
        result.kind = ReplyValue::Kind::Empty;
        return result;
    }
    const std::optional<double> v = plainDecimalValue(valueText);
    if (!v)
        return result;
    result.kind = ReplyValue::Kind::Number;
    result.value = reply.at(1) == '-' ? -*v : *v;
    return result;
}
