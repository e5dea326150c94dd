#pragma once

#include <QGlyphRun>
#include <QLabel>
#include <QRawFont>
#include <optional>
#include <vector>

// A value as a readout shows it: the region's number, "---" where the conversion is undefined.
QString readoutText(double value);

// A readout: large figures on black. A screen reader reads it as its caption and value
// ("pH1: 7.0123") and hears every change. Its size is fixed, so a new value repaints the readout
// alone and never lays the window out again; a value wider than any before widens it once.
class ReadoutLabel : public QLabel {
    Q_OBJECT
public:
    ReadoutLabel(const QString& caption, const QColor& figures, const QFont& font,
                 QWidget* parent = nullptr);

    void showValue(const QString& text);
    const QString& caption() const { return m_caption; }
    // In alarm: a thick red frame, the word ("HIGH", "LOW") after the caption of the frame it
    // stands in, so not colour alone, and the state in what a screen reader reads. An empty
    // word: no alarm.
    // returned: the value is back inside its limit, the alarm waits for acknowledgement.
    void setAlarm(const QString& word, bool acknowledged, bool returned = false);
    // While unacknowledged the frame flashes: shown in one phase, hidden in the other.
    void setFlashPhase(bool shown);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The font's glyph and advance of each printable ASCII character, looked up once per font:
    // a reading is then measured by a sum and drawn as a run of glyphs, without shaping it anew
    // on every value. Other text, or a character the font lacks, is shaped as usual.
    struct AsciiGlyphs {
        QRawFont font;
        std::vector<quint32> indexes;
        std::vector<qreal> advances;
    };
    const AsciiGlyphs& asciiGlyphs();
    // The width of the text, and its glyphs laid out in run, if every character has a glyph in
    // the table.
    std::optional<qreal> fromTable(const QString& text, QGlyphRun* run = nullptr);
    void fitWidth(const QString& text);

    void describe();

    QString m_caption;
    QString m_alarmWord;
    bool m_acknowledged = true;
    bool m_returned = false;
    bool m_flashShown = true;
    std::optional<AsciiGlyphs> m_glyphs; // for the current font
};
