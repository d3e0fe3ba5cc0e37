#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// How tavrin-cli prints its records. Tab-separated lines are the default and stay byte for
// byte what they always were; --format csv writes each record as one CSV line (RFC 4180
// quoting, the record's name first) and --format json collects the command's records and
// prints them at the end as one object:
//
//   {"command": "show", "exit": 0, "records": [{"record": "type", "number": 10, ...}, ...]}
//
// Each record kind has named fields (RecordFieldNames); numbers are JSON numbers, texts JSON
// strings. A record of a kind without names keeps its values in a "fields" array.
namespace Cli {

enum class EOutputFormat
{
    Tsv,
    Csv,
    Json
};

std::optional<EOutputFormat> ParseOutputFormat(const QString& text);

// Chooses the format for the rest of the run; `command` names the JSON object.
void BeginOutput(const QString& command, EOutputFormat format);
// Prints one record. The fields come escaped for tab-separated output (Field); the other
// formats take the text back out of that escaping, so callers write each record once.
void WriteRecord(const QStringList& fields);
// Prints one line on standard error (a message or progress), flushed at once. Records and
// these lines share one lock, so the lines of two worker threads never mix.
void WriteErrorLine(const QString& line);
// Ends the output: JSON prints its object with `exitCode`; the line formats print nothing.
void EndOutput(int exitCode);

// The JSON names of a record kind's fields ("tag#": a number; "texts[]": the rest of the
// fields as an array); empty for a kind without names.
QStringList RecordFieldNames(const QString& kind);
// The names for a record kind as `command` prints it: a command whose record of a shared kind
// has fields of its own ("show"'s param) names them here; otherwise RecordFieldNames(kind).
QStringList RecordFieldNames(const QString& command, const QString& kind);

} // namespace Cli
