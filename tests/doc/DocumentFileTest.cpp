// The document's file side: open, save, save as and the save-modified question.
#include "app/CAppSettings.h"
#include "common/CScriptedPrompt.h"
#include "common/CTempSettings.h"
#include "doc/CTavrinDoc.h"
#include "link/CControllerLink.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class DocumentFileTest : public ::testing::Test
{
protected:
    void Fill(int records)
    {
        doc.Parameters().SetHeaderWord(0x0101);
        doc.Parameters().SetDataControllerType(10);
        for (int i = 0; i < records; ++i) {
            auto record = std::make_unique<CParameter>();
            record->tagNumber = static_cast<quint16>(0x100 + i);
            record->value = static_cast<quint16>(i * 3);
            record->supported = true;
            doc.Parameters().Append(std::move(record));
        }
        doc.Parameters().SetEmpty(false);
        doc.SetPathName(QString::fromLatin1(CTavrinDoc::kDownloaded), false);
        doc.SetModified(true);
    }
    QString File(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    CTempSettings temp;
    QTemporaryDir dir;
    CAppSettings settings;
    CScriptedPrompt prompt;
    CControllerLink link;
    CTavrinDoc doc{link, settings, prompt};
};

} // namespace

TEST_F(DocumentFileTest, SaveAsThenOpenGivesTheSameBytesAndTitles)
{
    Fill(3);
    QSignalSpy recent(&doc, &CTavrinDoc::RecentFileAdded);
    prompt.ExpectSaveFile(File("one.prf"));
    ASSERT_TRUE(doc.DoFileSave()) << "a read document has no file yet: Save asks for one";
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.Title(), QStringLiteral("one.prf"));
    ASSERT_EQ(recent.count(), 1);

    QFile first(File("one.prf"));
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    const QByteArray bytes = first.readAll();
    EXPECT_EQ(bytes.size(), 8 + 3 * 28);

    QSignalSpy equality(&doc, &CTavrinDoc::EqualityPaneRequested);
    ASSERT_TRUE(doc.OnOpenDocument(File("one.prf")));
    EXPECT_EQ(doc.Parameters().Parameters().size(), 3u);
    EXPECT_EQ(doc.DataType(), EControllerType::TarnPlus);
    EXPECT_FALSE(doc.Parameters().IsEmpty());
    EXPECT_FALSE(doc.IsModified());
    ASSERT_EQ(equality.count(), 1);
    EXPECT_FALSE(equality.at(0).at(0).toBool()) << "a loaded profile is not known to match";

    ASSERT_TRUE(doc.DoFileSave()) << "saves to its own file without asking";
    QFile second(File("one.prf"));
    ASSERT_TRUE(second.open(QIODevice::ReadOnly));
    EXPECT_EQ(second.readAll(), bytes);
}

TEST_F(DocumentFileTest, TheSaveModifiedQuestion)
{
    EXPECT_TRUE(doc.SaveModified()) << "nothing to ask for an unmodified document";
    Fill(1);
    prompt.ExpectQuestion(QStringLiteral("Save changes to Downloaded?"),
                          IUserPrompt::EAnswer::Cancel);
    EXPECT_FALSE(doc.SaveModified());
    prompt.ExpectQuestion(QStringLiteral("Save changes to Downloaded?"), IUserPrompt::EAnswer::No);
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_FALSE(QFile::exists(File("x.prf")));
    prompt.ExpectQuestion(QStringLiteral("Save changes to Downloaded?"), IUserPrompt::EAnswer::Yes)
        .ExpectSaveFile(QString());
    EXPECT_FALSE(doc.SaveModified()) << "a cancelled file choice cancels";
}

TEST_F(DocumentFileTest, AFileThatDoesNotOpenLeavesTheCurrentSetAsItWas)
{
    Fill(3);
    ASSERT_TRUE(doc.OnSaveDocument(File("current.prf")));
    doc.SetBaseline();
    // Unsaved work: a changed value.
    doc.Parameters().Parameters()[1]->value = 99;
    doc.SetModified(true);
    const QHash<quint16, quint16> baseline{{0x100, 0}, {0x101, 3}, {0x102, 6}};
    ASSERT_EQ(doc.Baseline(), baseline);
    auto write = [this](const char* name, const QByteArray& bytes) {
        QFile file(File(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    write("garbage.prf", QByteArray::fromHex("7479 70652061 206c 6f6e67206c696e65"));
    write("short.prf", QByteArray::fromHex("0101 05000000 0a00 00"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.prf")));
    const std::pair<const char*, QString> hostile[] = {
        {"garbage.prf", QStringLiteral("it is not a profile (it starts with the word 0x7974, "
                                       "which no profile with parameters carries)")},
        {"short.prf", QStringLiteral("the file ends early (before its last parameter)")},
        {"folder.prf", QStringLiteral("it is a folder, not a profile")},
        {"missing.prf", QStringLiteral("the file does not exist")},
    };
    QSignalSpy recent(&doc, &CTavrinDoc::RecentFileAdded);
    QSignalSpy views(&doc, &CTavrinDoc::ViewsUpdateRequested);
    for (const auto& [name, cause] : hostile) {
        SCOPED_TRACE(name);
        // The message names the file once and says in words what is wrong with it.
        prompt.ExpectMessage(
            QStringLiteral("Cannot open %1: %2.").arg(QDir::toNativeSeparators(File(name)), cause),
            IUserPrompt::EIcon::Exclamation);
        EXPECT_FALSE(doc.OnOpenDocument(File(name)));
        EXPECT_TRUE(prompt.AllShown());
        ASSERT_EQ(doc.Parameters().RecordCount(), 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(doc.Parameters().Parameters()[i]->tagNumber, 0x100 + i);
            EXPECT_EQ(doc.Parameters().Parameters()[i]->value, i == 1 ? 99 : i * 3);
        }
        EXPECT_FALSE(doc.Parameters().IsEmpty());
        EXPECT_EQ(doc.DataType(), EControllerType::TarnPlus);
        EXPECT_EQ(doc.PathName(), File("current.prf"));
        EXPECT_EQ(doc.Title(), QStringLiteral("current.prf"));
        EXPECT_TRUE(doc.IsModified());
        EXPECT_EQ(doc.Baseline(), baseline);
    }
    EXPECT_EQ(recent.count(), 0);
    EXPECT_EQ(views.count(), 0);

    // A refused record keeps those before it and says so; that set replaces the current one.
    QFile current(File("current.prf"));
    ASSERT_TRUE(current.open(QIODevice::ReadWrite));
    current.seek(8 + 28 + 24); // second record's checksum
    current.write(QByteArray::fromHex("ffff0000"));
    current.close();
    prompt.ExpectMessage(QStringLiteral("Incorrect checksum in the PRF file"),
                         IUserPrompt::EIcon::Exclamation);
    EXPECT_TRUE(doc.OnOpenDocument(File("current.prf")));
    EXPECT_EQ(doc.Parameters().RecordCount(), 1);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.Baseline(), (QHash<quint16, quint16>{{0x100, 0}}));
}

TEST_F(DocumentFileTest, ABadTagFileIsNamedOnce)
{
    const QString path = QDir::toNativeSeparators(File("TagList7.tag"));
    QFile bad(path);
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray::fromHex("0100 0100 ffff 0002 0800") + "CTagInfo" + QByteArray(2, 0));
    bad.close();
    prompt.ExpectMessage(
        QStringLiteral("The tag file %1 could not be loaded: end of file.").arg(path),
        IUserPrompt::EIcon::Stop);
    EXPECT_FALSE(doc.LoadMasterTagFile(dir.path()));
    EXPECT_FALSE(doc.HasTagFile());
}

TEST_F(DocumentFileTest, ABackupOpensAsAnUntitledCopyAndSaveAsksForAName)
{
    Fill(2);
    ASSERT_TRUE(doc.OnSaveDocument(File("backup.prf")));
    QFile backup(File("backup.prf"));
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    const QByteArray bytes = backup.readAll();
    backup.close();

    QSignalSpy recent(&doc, &CTavrinDoc::RecentFileAdded);
    ASSERT_TRUE(doc.OpenCopy(File("backup.prf")));
    EXPECT_EQ(doc.Parameters().RecordCount(), 2);
    EXPECT_TRUE(doc.PathName().isEmpty());
    EXPECT_EQ(doc.Title(), QString::fromLatin1(CTavrinDoc::kUntitled));
    EXPECT_EQ(recent.count(), 0) << "the backup is not offered as a file to open again";

    doc.Parameters().Parameters().front()->value = 77;
    doc.SetModified(true);
    prompt.ExpectSaveFile(File("copy.prf"));
    ASSERT_TRUE(doc.DoFileSave());
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    EXPECT_EQ(backup.readAll(), bytes);
    EXPECT_TRUE(QFile::exists(File("copy.prf")));
    EXPECT_EQ(doc.Title(), QStringLiteral("copy.prf"));
}
