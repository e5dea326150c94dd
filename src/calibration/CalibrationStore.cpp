#include "CalibrationStore.h"

#include "MeasurementState.h"
#include "RegionalText.h"
#include "SettingsKeys.h"
#include "SettingsLocation.h"

#include <QDate>

namespace {
constexpr double kDefaultOffset = CalibrationStore::kNominalOffset;
constexpr double kDefaultSlope = CalibrationStore::kNominalSlope;
const QString kDefaultSerial = QStringLiteral("180312");
const QDate kDefaultDate(2001, 1, 1); // the stored default text "01/01/01"

struct ProbeKeys {
    QLatin1StringView offset, slope, serial, date;
};
ProbeKeys keysOf(int probe) {
    using namespace settingskeys;
    return probe == 2 ? ProbeKeys{kOffset2, kSlope2, kSerial2, kDate2}
                      : ProbeKeys{kOffset1, kSlope1, kSerial1, kDate1};
}
const QString section() {
    return settingskeys::kCoefficientsSection;
}
} // namespace

CalibrationStore::CalibrationStore(const SettingsLocation& settings) : m_settings(settings) {}

double CalibrationStore::number(const QString& key, double defaultValue) const {
    double value = defaultValue;
    if (m_settings.contains(section(), key) &&
        !regional::parseNumber(m_settings.text(section(), key, QString()), &value))
        value = defaultValue;
    return value;
}

double CalibrationStore::date(const QString& key) const {
    double value = regional::dateValue(kDefaultDate);
    if (m_settings.contains(section(), key) &&
        !regional::parseDate(m_settings.text(section(), key, QString()), &value))
        value = regional::dateValue(kDefaultDate);
    return value;
}

void CalibrationStore::loadAll(MeasurementState& s) const {
    using namespace settingskeys;
    s.offset1 = number(kOffset1, kDefaultOffset);
    s.offset2 = number(kOffset2, kDefaultOffset);
    s.slope1 = number(kSlope1, kDefaultSlope);
    s.slope2 = number(kSlope2, kDefaultSlope);
    s.serial1 = m_settings.text(section(), kSerial1, kDefaultSerial);
    s.serial2 = m_settings.text(section(), kSerial2, kDefaultSerial);
    s.calDate1 = date(kDate1);
    s.calDate2 = date(kDate2);
}

CalibrationStore::ProbeTexts CalibrationStore::readProbe(int probe) const {
    const ProbeKeys k = keysOf(probe);
    // A missing number reads as its default in the user's own notation.
    ProbeTexts t;
    t.offset = m_settings.text(section(), k.offset, regional::numberText(kDefaultOffset));
    t.slope = m_settings.text(section(), k.slope, regional::numberText(kDefaultSlope));
    t.serial = m_settings.text(section(), k.serial, kDefaultSerial);
    t.date = date(k.date);
    return t;
}

bool CalibrationStore::saveProbe(int probe, const MeasurementState& s) const {
    const ProbeKeys k = keysOf(probe);
    const bool two = probe == 2;
    bool saved =
        m_settings.setText(section(), k.offset, regional::numberText(two ? s.offset2 : s.offset1));
    saved &=
        m_settings.setText(section(), k.slope, regional::numberText(two ? s.slope2 : s.slope1));
    saved &= m_settings.setText(section(), k.serial, two ? s.serial2 : s.serial1);
    saved &= m_settings.setText(section(), k.date,
                                regional::shortDateText(two ? s.calDate2 : s.calDate1));
    return saved;
}

bool CalibrationStore::readable() const {
    return m_settings.readable();
}

QString CalibrationStore::location() const {
    return m_settings.fileName();
}
