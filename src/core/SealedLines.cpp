#include "SealedLines.h"

#include "Notices.h"
#include "WholeLineFile.h"

#include <QDir>

SealedLines::SealedLines(const Notices& notices, QString source, QString failure)
    : m_notices(notices), m_source(std::move(source)), m_failure(std::move(failure)) {}

void SealedLines::append(const QString& path, const QByteArray& line, const QByteArray& heading) {
    auto anchor = std::make_shared<SealAnchor>();
    m_worker.post(wholeLineAppend(path, line, heading, anchor), this,
                  [this, path, anchor](BoundedResult result) {
                      const bool written = result == BoundedResult::Succeeded;
                      if (written && !anchor->head.isEmpty())
                          emit sealed(*anchor);
                      if (written || std::exchange(m_failing, true))
                          return void(m_failing = !written);
                      m_notices.raise({.source = m_source,
                                       .severity = Notice::Severity::Failure,
                                       .text = m_failure.arg(QDir::toNativeSeparators(path))});
                  });
}
