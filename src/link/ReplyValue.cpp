#include "ReplyValue.h"

#include <cmath>

ReplyValue parseReplyValue(const QString& reply) {
    ReplyValue result;
    if (!reply.startsWith('*'))
        return result;
    const QString valueText = reply.mid(2, 8);
    if (valueText.isEmpty()) {
        result.kind = ReplyValue::Kind::Empty;
        return result;
    }
    bool ok = false;
    const double v = valueText.trimmed().toDouble(&ok); // C locale: "." is the decimal point
    if (!ok || !std::isfinite(v))
        return result;
    result.kind = ReplyValue::Kind::Number;
    result.value = reply.at(1) == '-' ? -v : v;
    return result;
}
