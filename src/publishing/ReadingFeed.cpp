#include "ReadingFeed.h"

#include "MachineNumber.h"

#include "Acquisition.h"
#include "MeasurementState.h"
#include "MqttPublisher.h"
#include "Quantities.h"
#include "RegionalText.h"

namespace {
QByteArray jsonText(const QString& text) {
    QByteArray out = "\"";
    for (QChar c : text) {
        if (c == u'"' || c == u'\\')
            out += '\\';
        if (c.unicode() < 0x20)
            out += "\\u00" + QByteArray::number(c.unicode(), 16).rightJustified(2, '0');
        else
            out += QString(c).toUtf8();
    }
    return out + '"';
}
} // namespace

ReadingFeed::ReadingFeed(const MeasurementState& state, Acquisition& acquisition,
                         MqttPublisher& publisher)
    : m_state(state), m_publisher(publisher) {
    connect(&acquisition, &Acquisition::cycleRead, this, &ReadingFeed::publishCycle);
}

void ReadingFeed::publishCycle(const Reading& reading) {
    if (reading.empty() || !m_publisher.settings().enabled)
        return;
    QByteArray json = "{\"seq\":" + QByteArray::number(++m_seq) + ",\"time\":\"" +
                      m_clock.at(reading.msSinceEpoch) + '"';
    for (const QuantityInfo& q : kQuantityTable) {
        const std::optional<double> read = reading.value(q.readout);
        if (!read)
            continue;
        const QByteArray value = machineNumber(*read);
        json.append(",\"").append(q.key.data(), q.key.size()).append("\":").append(value);
        m_publisher.setLatest(q.key, value);
    }
    m_publisher.publish(QStringLiteral("reading"), json + '}');
}

void ReadingFeed::publishCalibration() {
    const MeasurementState& s = m_state;
    const auto probe = [](double offset, double slope, const QString& serial, double date) {
        return "{\"offset\":" + machineNumber(offset) + ",\"slope\":" + machineNumber(slope) +
               ",\"serial\":" + jsonText(serial) + ",\"date\":\"" +
               regional::dateTimeOf(date).date().toString(Qt::ISODate).toLatin1() + "\"}";
    };
    m_publisher.publishRetained(
        QStringLiteral("calibration"),
        "{\"probe1\":" + probe(s.offset1, s.slope1, s.serial1, s.calDate1) +
            ",\"probe2\":" + probe(s.offset2, s.slope2, s.serial2, s.calDate2) + '}');
}
