#pragma once

#include <QString>
#include <QStringList>

// CSV as RFC 4180 writes it, for every file and output the application writes in that form
// (exports, the change log, reports, ADC sample logs).
namespace Csv {

// One field: quoted, with its quotes doubled, when it holds a comma, a quote or a line break.
QString Field(const QString& text);
// One record: the fields quoted as needed and joined by commas, without a line end.
QString Line(const QStringList& fields);

} // namespace Csv
