#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

class CAppSettings;
class IUserPrompt;

// Where the tag-file update check looks: "UpdateServer", "UpdateUser", "UpdatePassword" and
// "UpdateFolder" of the "Settings" section, each defaulting to the values below.
struct SUpdateServer
{
    static constexpr const char* kDefaultUrl = "ftp://updates.kelvane-motion.com/";
    static constexpr const char* kDefaultUser = "KV_IND_TAVRIN";
    static constexpr const char* kDefaultPassword = "MARLOWKEY";
    static constexpr const char* kDefaultFolder =
        "/Industrial_customers/Software/Tavrin Studio/OEM";

    QString url =
        QString::fromLatin1(kDefaultUrl); // scheme and host (and port), e.g. "ftp://host:2121/"
    QString user = QString::fromLatin1(kDefaultUser);
    QString password = QString::fromLatin1(kDefaultPassword);
    QString folder = QString::fromLatin1(kDefaultFolder); // remote folder, from the server's root

    static SUpdateServer FromSettings(const CAppSettings& settings);
};

// The tag-file update check behind the Options dialog's "Check" button and
// `tavrin-cli update-check`.
//
// Run() lists the remote folder (always fresh from the server, FTPS when the server offers
// it, passive mode falling back to active), takes the newest acceptable name, compares it
// with the local file the tag-file chooser picks in the tag folder, asks before installing,
// downloads into a temporary file in that folder, checks it with the tag-file loader and
// only then renames it into place. A failed, cancelled or refused download never touches
// an existing file.
//
// A hostile or dead server can neither hang the caller nor fill the disk: every transfer
// gives up after kConnectTimeoutSeconds to connect, when fewer than kLowSpeedBytes a second
// arrive for kLowSpeedSeconds, and after TimeLimit() seconds in all; a listing longer than
// kMaxListingBytes is abandoned, and a file larger than kMaxFileBytes (announced or as it
// arrives) or smaller than kMinFileBytes is refused. While a transfer runs the prompt's
// progress window (with Cancel) is shown and pumped. Single-threaded.
class CTagFileUpdate
{
public:
    enum class EResult
    {
        Installed,         // the newer file was downloaded, checked and installed (237)
        Latest,            // nothing newer on the server (241)
        Declined,          // the user answered No
        CannotConnect,     // connect, log-in or folder change failed (238)
        DownloadFailed,    // the transfer failed (239)
        InvalidFile,       // not a valid tag file, too small or too large (239 and the cause)
        FolderNotWritable, // the tag folder cannot be written
        Cancelled          // the user cancelled the progress window (no message)
    };

    static constexpr long kConnectTimeoutSeconds = 10;
    static constexpr long kLowSpeedBytes = 1;
    static constexpr long kLowSpeedSeconds = 20;
    // The default limit of one whole transfer (listing or download), connecting included.
    static constexpr long kTransferTimeoutSeconds = 60;
    // The largest tag file taken; real ones are well under 1 MiB.
    static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;
    // The smallest tag file the loader can take: the header words, the CTagInfo class record
    // (6 + 8 bytes) and one tag record with empty texts (35 bytes), no text record.
    static constexpr qint64 kMinFileBytes = 2 + 2 + 14 + 35 + 2 + 2;
    // The longest name listing read; a real one holds a few dozen names.
    static constexpr qint64 kMaxListingBytes = 256 * 1024;
    // Versions with more digits than this are ignored (they cannot be compared reliably).
    static constexpr int kMaxVersionDigits = 9;

    // `prompt` must outlive the object.
    CTagFileUpdate(const SUpdateServer& server, IUserPrompt& prompt);

    // The whole check: newest remote name, compare with the chooser's local file in
    // `tagFileDir`, ask "A more recent data file (%s) is available. Do you wish to install
    // it?" (Yes/No), download, validate, install. Shows 237/238/239(+cause)/241 through the
    // prompt.
    EResult Run(const QString& tagFileDir);

    // The limit of one whole transfer, in seconds (kTransferTimeoutSeconds unless set; at
    // least 1).
    void SetTimeLimit(long seconds) { m_timeLimit = seconds < 1 ? 1 : seconds; }
    long TimeLimit() const { return m_timeLimit; }

    QString RemoteName() const { return m_remoteName; }       // newest remote name ("" when none)
    QString LocalName() const { return m_localName; }         // the chooser's local name
    QString InstalledPath() const { return m_installedPath; } // full path (Installed only)
    QString Cause() const { return m_cause; } // why the listing or download failed (238/239)

    // The number formed by the digits right before the last "."; 0 without digits there;
    // -1 without a "." or with more than kMaxVersionDigits digits.
    static int Version(const QString& fileName);
    // A plain file name (no "/", "\\", "..", control characters) matching "TagList*.tag"
    // with a usable version.
    static bool AcceptableRemoteName(const QString& name);
    // The newest acceptable name of a listing: the highest version, the first of equals.
    static QString ChooseRemote(const QStringList& names);

private:
    bool ListRemote(QStringList& names);
    bool Download(const QString& name, const QString& targetPath);

    SUpdateServer m_server;
    IUserPrompt& m_prompt;
    QString m_remoteName;
    QString m_localName;
    QString m_installedPath;
    QString m_cause;
    long m_timeLimit = kTransferTimeoutSeconds;
    bool m_invalid = false;   // the last download was refused (loader or size)
    bool m_cancelled = false; // the user cancelled the last transfer
};
