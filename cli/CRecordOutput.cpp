#include "cli/CRecordOutput.h"

#include "data/CCsv.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <mutex>

namespace Cli {
namespace {

struct SOutput
{
    std::mutex mutex; // records and error lines may come from several worker threads
    EOutputFormat format = EOutputFormat::Tsv;
    QString command;
    QJsonArray records;
};

SOutput& Output()
{
    static SOutput output;
    return output;
}

// The text behind a field escaped for tab-separated output: \\, \t, \r and \n back to
// backslash, tab, CR and LF.
QString Unescape(const QString& field)
{
    QString out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field.at(i);
        if (c != QLatin1Char('\\') || i + 1 == field.size()) {
            out += c;
            continue;
        }
        const QChar next = field.at(++i);
        if (next == QLatin1Char('t'))
            out += QLatin1Char('\t');
        else if (next == QLatin1Char('r'))
            out += QLatin1Char('\r');
        else if (next == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else
            out += next;
    }
    return out;
}

QJsonValue JsonValue(const QString& text, bool number)
{
    if (number) {
        if (text.isEmpty())
            return QJsonValue(QJsonValue::Null); // a number not known, such as no type
        bool ok = false;
        const qlonglong value = text.toLongLong(&ok, 10);
        if (ok)
            return QJsonValue(value);
    }
    return QJsonValue(text);
}

QJsonObject JsonRecord(const QString& command, const QStringList& fields)
{
    QJsonObject object;
    const QString kind = fields.value(0);
    object.insert(QStringLiteral("record"), kind);
    const QStringList names = RecordFieldNames(command, kind);
    if (names.isEmpty()) {
        QJsonArray values;
        for (qsizetype i = 1; i < fields.size(); ++i)
            values.append(Unescape(fields.at(i)));
        object.insert(QStringLiteral("fields"), values);
        return object;
    }
    qsizetype i = 1;
    for (const QString& declared : names) {
        if (declared.endsWith(QLatin1String("[]"))) {
            QJsonArray rest;
            for (; i < fields.size(); ++i)
                rest.append(Unescape(fields.at(i)));
            object.insert(declared.chopped(2), rest);
            return object;
        }
        if (i >= fields.size())
            break;
        const bool number = declared.endsWith(QLatin1Char('#'));
        object.insert(number ? declared.chopped(1) : declared,
                      JsonValue(Unescape(fields.at(i++)), number));
    }
    // Fields beyond the declared names are kept rather than dropped.
    if (i < fields.size()) {
        QJsonArray extra;
        for (; i < fields.size(); ++i)
            extra.append(Unescape(fields.at(i)));
        object.insert(QStringLiteral("more"), extra);
    }
    return object;
}

void PutLine(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

std::optional<EOutputFormat> ParseOutputFormat(const QString& text)
{
    if (text == QLatin1String("tsv"))
        return EOutputFormat::Tsv;
    if (text == QLatin1String("csv"))
        return EOutputFormat::Csv;
    if (text == QLatin1String("json"))
        return EOutputFormat::Json;
    return std::nullopt;
}

void BeginOutput(const QString& command, EOutputFormat format)
{
    SOutput& output = Output();
    const std::lock_guard lock(output.mutex);
    output.command = command;
    output.format = format;
    output.records = QJsonArray();
}

void WriteRecord(const QStringList& fields)
{
    SOutput& output = Output();
    const std::lock_guard lock(output.mutex);
    switch (output.format) {
    case EOutputFormat::Tsv:
        PutLine(fields.join(QLatin1Char('\t')));
        return;
    case EOutputFormat::Csv: {
        QStringList texts;
        texts.reserve(fields.size());
        for (const QString& field : fields)
            texts << Unescape(field);
        PutLine(Csv::Line(texts));
        return;
    }
    case EOutputFormat::Json:
        output.records.append(JsonRecord(output.command, fields));
        return;
    }
}

void WriteErrorLine(const QString& line)
{
    SOutput& output = Output();
    const std::lock_guard lock(output.mutex);
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void EndOutput(int exitCode)
{
    SOutput& output = Output();
    const std::lock_guard lock(output.mutex);
    if (output.format != EOutputFormat::Json)
        return;
    QJsonObject object;
    object.insert(QStringLiteral("command"), output.command);
    object.insert(QStringLiteral("exit"), exitCode);
    object.insert(QStringLiteral("records"), output.records);
    std::fputs(QJsonDocument(object).toJson(QJsonDocument::Indented).constData(), stdout);
    std::fflush(stdout);
    output.records = QJsonArray();
}

QStringList RecordFieldNames(const QString& command, const QString& kind)
{
    // show's param record is the list view's line; in JSON the raw words follow it.
    static const QHash<QString, QStringList> names = {
        {QStringLiteral("show/param"),
         {QStringLiteral("tag#"), QStringLiteral("name"), QStringLiteral("value_text"),
          QStringLiteral("minimum_text"), QStringLiteral("maximum_text"), QStringLiteral("value#"),
          QStringLiteral("flags"), QStringLiteral("maximum#"), QStringLiteral("minimum#"),
          QStringLiteral("scale#"), QStringLiteral("div#"), QStringLiteral("step#"),
          QStringLiteral("shift#"), QStringLiteral("checksum_word#"),
          QStringLiteral("extension#")}},
        {QStringLiteral("timers/cleared"), {QStringLiteral("line#"), QStringLiteral("tag")}},
    };
    const auto found = names.constFind(command + QLatin1Char('/') + kind);
    return found != names.constEnd() ? *found : RecordFieldNames(kind);
}

QStringList RecordFieldNames(const QString& kind)
{
    static const QHash<QString, QStringList> names = {
        {QStringLiteral("type"), {QStringLiteral("number#"), QStringLiteral("name")}},
        {QStringLiteral("param"),
         {QStringLiteral("tag#"), QStringLiteral("value#"), QStringLiteral("maximum#"),
          QStringLiteral("minimum#"), QStringLiteral("scale#"), QStringLiteral("div#"),
          QStringLiteral("step#"), QStringLiteral("shift#"), QStringLiteral("checksum_word#"),
          QStringLiteral("flags"), QStringLiteral("extension#"), QStringLiteral("name"),
          QStringLiteral("value_text")}},
        {QStringLiteral("file"), {QStringLiteral("path"), QStringLiteral("count#")}},
        {QStringLiteral("tag"),
         {QStringLiteral("tag#"), QStringLiteral("mask"), QStringLiteral("units#"),
          QStringLiteral("group#"), QStringLiteral("presentation#"), QStringLiteral("privilege#"),
          QStringLiteral("name"), QStringLiteral("information"), QStringLiteral("help")}},
        {QStringLiteral("text"),
         {QStringLiteral("code#"), QStringLiteral("class#"), QStringLiteral("count#"),
          QStringLiteral("texts[]")}},
        {QStringLiteral("read"),
         {QStringLiteral("count#"), QStringLiteral("type#"), QStringLiteral("name")}},
        {QStringLiteral("failed"),
         {QStringLiteral("tag#"), QStringLiteral("name"), QStringLiteral("result#")}},
        {QStringLiteral("written"),
         {QStringLiteral("confirmed#"), QStringLiteral("failed#"), QStringLiteral("skipped#"),
          QStringLiteral("unchanged#"), QStringLiteral("kept#"), QStringLiteral("not_sent#")}},
        {QStringLiteral("backup"), {QStringLiteral("path")}},
        {QStringLiteral("differ"),
         {QStringLiteral("tag#"), QStringLiteral("name"), QStringLiteral("a"),
          QStringLiteral("b")}},
        {QStringLiteral("only-a"), {QStringLiteral("tag#"), QStringLiteral("name")}},
        {QStringLiteral("only-b"), {QStringLiteral("tag#"), QStringLiteral("name")}},
        {QStringLiteral("kept"),
         {QStringLiteral("tag#"), QStringLiteral("name"), QStringLiteral("a"),
          QStringLiteral("b")}},
        {QStringLiteral("port"),
         {QStringLiteral("device"), QStringLiteral("type#"), QStringLiteral("result"),
          QStringLiteral("confirmed#"), QStringLiteral("failed#"), QStringLiteral("skipped#"),
          QStringLiteral("unchanged#"), QStringLiteral("kept#"), QStringLiteral("not_sent#"),
          QStringLiteral("backup"), QStringLiteral("reason")}},
        {QStringLiteral("profile"),
         {QStringLiteral("header"), QStringLiteral("count#"), QStringLiteral("type#"),
          QStringLiteral("name")}},
        {QStringLiteral("info"), {QStringLiteral("line")}},
        {QStringLiteral("entry"),
         {QStringLiteral("code#"), QStringLiteral("count#"), QStringLiteral("trip")}},
        {QStringLiteral("cleared"), {QStringLiteral("what")}},
        {QStringLiteral("set"), {QStringLiteral("result#"), QStringLiteral("meaning")}},
        {QStringLiteral("unchanged"), {QStringLiteral("tag#"), QStringLiteral("value_text")}},
        {QStringLiteral("timer"),
         {QStringLiteral("line#"), QStringLiteral("tag"), QStringLiteral("caption"),
          QStringLiteral("text")}},
        {QStringLiteral("programmable"), {QStringLiteral("state")}},
        {QStringLiteral("programmed"),
         {QStringLiteral("service#"), QStringLiteral("total_on#"), QStringLiteral("brush#")}},
        {QStringLiteral("lowlatency"), {QStringLiteral("state"), QStringLiteral("text")}},
        {QStringLiteral("diff"),
         {QStringLiteral("differing#"), QStringLiteral("same#"), QStringLiteral("only_a#"),
          QStringLiteral("only_b#")}},
    };
    return names.value(kind);
}

} // namespace Cli
