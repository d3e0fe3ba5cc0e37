// The parameter set as CSV and JSON: the list's texts, RFC 4180 quoting, the JSON fields.
#include "data/CParameterSet.h"
#include "data/CTagFile.h"
#include "ops/params/CSetExport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class SetExportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tags.LoadTagFile(QStringLiteral(TAVRIN_BUNDLED_TAG_FILE)).Ok());
        set.SetDataControllerType(10);
        Add(0x0105, 150, 0, 1000); // "Drive Current Limit", amps, group "Drive Motor"
        Add(7936, 3, 0, 11);       // "Inhibit 1 Action": option texts that hold commas
        Add(0x7777, 1, 0, 1);      // no such tag: left out, as in the list
        set.SetEmpty(false);
    }

    void Add(quint16 tag, quint16 value, quint16 minimum, quint16 maximum)
    {
        auto parameter = std::make_unique<CParameter>();
        parameter->tagNumber = tag;
        parameter->value = value;
        parameter->minimum = minimum;
        parameter->maximum = maximum;
        parameter->scale = 1;
        parameter->div = 1;
        parameter->step = 1;
        set.Append(std::move(parameter));
    }

    CTagFile tags;
    CParameterSet set;
};

} // namespace

TEST_F(SetExportTest, CsvHasTheHeaderTheListTextsAndQuotesWhereNeeded)
{
    std::vector<SExportRecord> records = CSetExport::Records(set, tags);
    SExportRecord odd;
    odd.tag = 1;
    odd.name = QStringLiteral("Say \"hi\", then\nstop");
    odd.rawValue = -2;
    records.push_back(odd);

    const QStringList lines =
        QString::fromUtf8(CSetExport::Csv(records)).split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines, (QStringList{
                         "tag,name,value,raw,minimum,maximum,units,group",
                         "261,Drive Current Limit,150 Amps,150,0 Amps,1000 Amps,Amps,Drive Motor",
                         "7936,Inhibit 1 Action,\"Vac. & Brush, Non Latching\",3,None,"
                         "\"Traction, Non-Latching, No HPD\",Decimal Integer,Inhibit",
                         "1,\"Say \"\"hi\"\", then\nstop\",,-2,,,,",
                         "",
                     }));
}

TEST_F(SetExportTest, JsonFileNamesTheControllerAndEveryField)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("set.JSON"));
    ASSERT_EQ(CSetExport::FormatOf(path), CSetExport::EFormat::Json);
    ASSERT_EQ(CSetExport::Write(path, CSetExport::FormatOf(path), set, tags), QString());

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(root.value("controllerType").toInt(), 10);
    EXPECT_EQ(root.value("controllerName").toString(), QStringLiteral("Tarn+"));
    const QJsonArray parameters = root.value("parameters").toArray();
    ASSERT_EQ(parameters.size(), 2);
    EXPECT_EQ(parameters[1].toObject(), (QJsonObject{{"tag", 7936},
                                                     {"name", "Inhibit 1 Action"},
                                                     {"value", "Vac. & Brush, Non Latching"},
                                                     {"raw", 3},
                                                     {"minimum", "None"},
                                                     {"maximum", "Traction, Non-Latching, No HPD"},
                                                     {"units", "Decimal Integer"},
                                                     {"group", "Inhibit"}}));

    // A folder that does not exist: a clear reason naming the file, no file.
    const QString bad = dir.filePath(QStringLiteral("missing/set.csv"));
    EXPECT_TRUE(CSetExport::Write(bad, CSetExport::EFormat::Csv, set, tags)
                    .startsWith(QStringLiteral("Cannot write ")));
    EXPECT_FALSE(QFile::exists(bad));
}
