// tavrin-cli print: what it writes, and that it writes nothing when nothing is printed.
#include "PrintTestData.h"
#include "cli/CliProcess.h"

#include <QFile>
#include <QTemporaryDir>

TEST(CliPrintTest, PrintsAProfileAndWritesNothingForAnEmptySimpleList)
{
    QTemporaryDir dir;
    const QString tagFile = QStringLiteral(TAVRIN_BUNDLED_TAG_FILE);
    CParameterSet set;
    FillSet(set, {256, 257});
    const QString profile = dir.filePath(QStringLiteral("bench.prf"));
    ASSERT_TRUE(set.SaveFile(profile).Ok());
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));

    SRun run =
        RunCli({QStringLiteral("print"), profile, QStringLiteral("--tags"), tagFile,
                QStringLiteral("-o"), pdf, QStringLiteral("--style"), QStringLiteral("columns")},
               {}, dir.path());
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("printed\t1\t%1\n").arg(pdf));
    EXPECT_TRUE(PdfText(pdf).contains(QStringLiteral("bench.prf"))) << "the title is the file name";

    FillSet(set, {});
    ASSERT_TRUE(set.SaveFile(profile).Ok());
    const QString none = dir.filePath(QStringLiteral("none.pdf"));
    run = RunCli({QStringLiteral("print"), profile, QStringLiteral("--tags"), tagFile,
                  QStringLiteral("-o"), none, QStringLiteral("--style"), QStringLiteral("simple")},
                 {}, dir.path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("nothing to print"))) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(none));
}
