// tavrin-cli --format: the same records as CSV lines or one JSON object, the default
// tab-separated output unchanged.
#include "CliProcess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

SRun Tags(const QStringList& extra, const QString& config)
{
    return RunCli(QStringList{QStringLiteral("tags"), QStringLiteral(TAVRIN_BUNDLED_TAG_FILE)} +
                      extra,
                  {}, config);
}

} // namespace

TEST(CliFormatTest, TagsAsTsvCsvAndJsonCarryTheSameRecords)
{
    QTemporaryDir config;
    const SRun tsv = Tags({}, config.path());
    ASSERT_EQ(tsv.exitCode, 0) << tsv.err.toStdString();
    EXPECT_EQ(Tags({QStringLiteral("--format"), QStringLiteral("tsv")}, config.path()).out,
              tsv.out);
    const QStringList lines = tsv.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);

    // A text with a comma is quoted; everything else stays as it is.
    const SRun csv = Tags({QStringLiteral("--format=csv")}, config.path());
    ASSERT_EQ(csv.exitCode, 0) << csv.err.toStdString();
    const QStringList csvLines = csv.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(csvLines.size(), lines.size());
    EXPECT_TRUE(csv.out.contains(QStringLiteral(
        ",Battery Capacity,\"Rated capacity of the battery pack, used by the charge gauge.\",")))
        << csv.out.left(400).toStdString();

    const SRun json = Tags({QStringLiteral("--format"), QStringLiteral("json")}, config.path());
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8(), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    EXPECT_EQ(object.value(QStringLiteral("command")).toString(), QStringLiteral("tags"));
    EXPECT_EQ(object.value(QStringLiteral("exit")).toInt(-1), 0);
    const QJsonArray records = object.value(QStringLiteral("records")).toArray();
    ASSERT_EQ(records.size(), lines.size());
    const QJsonObject file = records.first().toObject();
    EXPECT_EQ(file.value(QStringLiteral("record")).toString(), QStringLiteral("file"));
    // The file's tag count is a number, and each tag record's fields carry their names.
    int tags = 0;
    for (const auto& value : records) {
        const QJsonObject record = value.toObject();
        if (record.value(QStringLiteral("record")).toString() != QLatin1String("tag"))
            continue;
        ++tags;
        EXPECT_TRUE(record.value(QStringLiteral("tag")).isDouble());
        EXPECT_TRUE(record.value(QStringLiteral("name")).isString());
    }
    EXPECT_EQ(file.value(QStringLiteral("count")).toInt(-1), tags);

    const SRun bad = Tags({QStringLiteral("--format"), QStringLiteral("xml")}, config.path());
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.out.isEmpty());
}
