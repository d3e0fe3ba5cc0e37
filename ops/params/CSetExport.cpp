#include "ops/params/CSetExport.h"

#include "data/CCodePage.h"
#include "data/CCsv.h"
#include "data/CParameterSet.h"
#include "data/CTagFile.h"
#include "data/CUnitsTable.h"
#include "edit/CParameterRows.h"
#include "link/CControllerLink.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

std::vector<SExportRecord> CSetExport::Records(const CParameterSet& set, const CTagFile& tags)
{
    std::vector<SExportRecord> records;
    if (set.IsEmpty())
        return records;
    const quint16 type = set.DataControllerType();
    records.reserve(set.Parameters().size());
    for (const auto& parameter : set.Parameters()) {
        const CTagInfo* tag = tags.FindTag(parameter->tagNumber, type);
        if (!tag)
            continue;
        SExportRecord record;
        record.tag = parameter->tagNumber;
        record.name = CCodePage::ToUnicode(tag->name);
        record.valueText = parameter->ValueText(*tag, type);
        record.rawValue = parameter->Raw(parameter->value);
        record.minimumText = parameter->MinimumText(*tag, type);
        record.maximumText = parameter->MaximumText(*tag, type);
        if (const CUnitsTable::Entry* units = CUnitsTable::Find(tag->unitsCode))
            record.unitsName = QString::fromLatin1(units->name);
        record.groupName = CParameterRows::GroupName(tag->group);
        records.push_back(std::move(record));
    }
    return records;
}

QByteArray CSetExport::Csv(const std::vector<SExportRecord>& records)
{
    QString text = QStringLiteral("tag,name,value,raw,minimum,maximum,units,group\r\n");
    for (const SExportRecord& r : records) {
        text += Csv::Line({QString::number(r.tag), r.name, r.valueText, QString::number(r.rawValue),
                           r.minimumText, r.maximumText, r.unitsName, r.groupName}) +
                QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

QByteArray CSetExport::Json(quint16 controllerType, const std::vector<SExportRecord>& records)
{
    QJsonArray parameters;
    for (const SExportRecord& r : records) {
        parameters.append(QJsonObject{{QStringLiteral("tag"), int(r.tag)},
                                      {QStringLiteral("name"), r.name},
                                      {QStringLiteral("value"), r.valueText},
                                      {QStringLiteral("raw"), r.rawValue},
                                      {QStringLiteral("minimum"), r.minimumText},
                                      {QStringLiteral("maximum"), r.maximumText},
                                      {QStringLiteral("units"), r.unitsName},
                                      {QStringLiteral("group"), r.groupName}});
    }
    const QJsonObject root{
        {QStringLiteral("controllerType"), int(controllerType)},
        {QStringLiteral("controllerName"), CControllerLink::ControllerTypeName(controllerType)},
        {QStringLiteral("parameters"), parameters}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

CSetExport::EFormat CSetExport::FormatOf(const QString& path)
{
    return path.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive) ? EFormat::Json
                                                                       : EFormat::Csv;
}

QString CSetExport::Write(const QString& path, EFormat format, const CParameterSet& set,
                          const CTagFile& tags)
{
    const std::vector<SExportRecord> records = Records(set, tags);
    const QByteArray bytes =
        format == EFormat::Json ? Json(set.DataControllerType(), records) : Csv(records);
    const QString shown = QDir::toNativeSeparators(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("Cannot write %1:\n%2").arg(shown, file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return QStringLiteral("Cannot write %1:\n%2").arg(shown, reason);
    }
    if (!file.commit())
        return QStringLiteral("Cannot write %1:\n%2").arg(shown, file.errorString());
    return {};
}
