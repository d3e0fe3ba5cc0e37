#include "update/CTagFileUpdate.h"

#include "app/CAppSettings.h"
#include "data/CTagFile.h"
#include "doc/IUserPrompt.h"
#include "res/StringTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <curl/curl.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

// Downloads are written here first; the name must never match the tag-file pattern, so the
// chooser cannot pick up a half-written or unchecked file.
constexpr const char* kTemporaryTemplate = "tavrin-update-XXXXXX.part";

void InitCurlOnce()
{
    static const bool done = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    Q_UNUSED(done);
}

struct SCurlDeleter
{
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlHandle = std::unique_ptr<CURL, SCurlDeleter>;

QString Escape(CURL* handle, const QString& part)
{
    const QByteArray utf8 = part.toUtf8();
    char* escaped = curl_easy_escape(handle, utf8.constData(), static_cast<int>(utf8.size()));
    const QString result = QString::fromLatin1(escaped);
    curl_free(escaped);
    return result;
}

// The remote folder's URL, ending in "/". Each folder part is escaped (the folder holds
// blanks); a leading "/" becomes "%2F" so that the folder is taken from the server's root
// rather than from the account's home.
QString FolderUrl(CURL* handle, const SUpdateServer& server)
{
    QString url = server.url;
    if (!url.endsWith(QLatin1Char('/')))
        url += QLatin1Char('/');
    QString folder = server.folder;
    folder.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (folder.startsWith(QLatin1Char('/')))
        url += QStringLiteral("%2F");
    for (const QString& part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts))
        url += Escape(handle, part) + QLatin1Char('/');
    return url;
}

// Where a transfer's bytes go: a listing into memory, a download into the temporary file.
// Either stops the transfer (the callback returns less than it was given, so libcurl
// fails with a write error) once more than `limit` bytes arrive.
struct SSink
{
    QByteArray* buffer = nullptr;
    QFile* file = nullptr;
    qint64 limit = 0;
    qint64 received = 0;
    bool overflow = false;
};

size_t WriteToSink(char* data, size_t size, size_t count, void* user)
{
    auto& sink = *static_cast<SSink*>(user);
    const qint64 bytes = static_cast<qint64>(size * count);
    if (sink.received + bytes > sink.limit) {
        sink.overflow = true;
        return 0;
    }
    sink.received += bytes;
    if (sink.buffer) {
        sink.buffer->append(data, static_cast<qsizetype>(bytes));
        return size * count;
    }
    const qint64 written = sink.file->write(data, bytes);
    return written < 0 ? 0 : static_cast<size_t>(written);
}

// The progress window of one transfer: advanced and pumped from libcurl's progress
// callback (at least once a second, and whenever data arrives); a Cancel there aborts the
// transfer.
struct SProgressHook
{
    IProgress* progress = nullptr; // may be null: no window could be shown
    bool cancelled = false;
};

int OnProgress(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t)
{
    auto& hook = *static_cast<SProgressHook*>(user);
    if (!hook.progress)
        return 0;
    if (total > 0)
        hook.progress->SetPosition(
            static_cast<int>(std::min<curl_off_t>(now, total) * 100 / total));
    if (hook.progress->Pump())
        hook.cancelled = true;
    return hook.cancelled ? 1 : 0;
}

// A new handle for every operation: no connection and no listing is ever reused.
CurlHandle NewHandle(const SUpdateServer& server, bool active, long timeLimit, SProgressHook& hook)
{
    InitCurlOnce();
    CurlHandle handle(curl_easy_init());
    if (!handle)
        return handle;
    CURL* h = handle.get();
    const QByteArray user = server.user.toUtf8();
    const QByteArray password = server.password.toUtf8();
    curl_easy_setopt(h, CURLOPT_USERNAME, user.constData());
    curl_easy_setopt(h, CURLOPT_PASSWORD, password.constData());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "ftp,ftps");
    // Explicit TLS when the server offers it, plain FTP otherwise.
    curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    curl_easy_setopt(h, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, CTagFileUpdate::kConnectTimeoutSeconds);
    curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, CTagFileUpdate::kLowSpeedSeconds);
    curl_easy_setopt(h, CURLOPT_ACCEPTTIMEOUT_MS, CTagFileUpdate::kConnectTimeoutSeconds * 1000);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, CTagFileUpdate::kLowSpeedBytes);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, CTagFileUpdate::kLowSpeedSeconds);
    // A server that trickles bytes passes the low-speed limit; this ends it all the same.
    curl_easy_setopt(h, CURLOPT_TIMEOUT, timeLimit);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &hook);
    if (active)
        curl_easy_setopt(h, CURLOPT_FTPPORT, "-");
    return handle;
}

// Errors that say the server would not open a passive data connection; the operation is
// then tried once more in active mode.
bool PassiveRefused(CURLcode code)
{
    return code == CURLE_FTP_WEIRD_PASV_REPLY || code == CURLE_FTP_WEIRD_227_FORMAT ||
           code == CURLE_FTP_CANT_GET_HOST;
}

QString CurlErrorText(CURLcode code, const char* buffer)
{
    return buffer[0] != '\0' ? QString::fromLocal8Bit(buffer)
                             : QString::fromLatin1(curl_easy_strerror(code));
}

// Runs one transfer on a fresh handle, passive first and active when passive is refused.
// `setup` points the handle at its URL and its sink; it is called again for the retry.
template <typename Setup>
CURLcode Perform(const SUpdateServer& server, long timeLimit, SProgressHook& hook, Setup setup,
                 QString& error)
{
    CURLcode code = CURLE_FAILED_INIT;
    for (const bool active : {false, true}) {
        CurlHandle handle = NewHandle(server, active, timeLimit, hook);
        if (!handle) {
            error = QString::fromLatin1(curl_easy_strerror(CURLE_FAILED_INIT));
            return CURLE_FAILED_INIT;
        }
        char buffer[CURL_ERROR_SIZE] = {};
        curl_easy_setopt(handle.get(), CURLOPT_ERRORBUFFER, buffer);
        if (!setup(handle.get()))
            return CURLE_WRITE_ERROR;
        code = curl_easy_perform(handle.get());
        if (code == CURLE_OK || !PassiveRefused(code)) {
            error = code == CURLE_OK ? QString() : CurlErrorText(code, buffer);
            return code;
        }
        error = CurlErrorText(code, buffer);
    }
    return code;
}

// A progress window with Cancel for one transfer; null when none can be shown.
std::unique_ptr<IProgress> BeginProgress(IUserPrompt& prompt)
{
    std::unique_ptr<IProgress> progress = prompt.BeginProgress(
        LoadString(EString::Downloading), IUserPrompt::EProgressKind::Cancellable);
    if (progress)
        progress->SetRange(0, 100);
    return progress;
}

QString Fill(EString id, const QString& value)
{
    QString text = LoadString(id);
    text.replace(QLatin1String("%s"), value);
    return text;
}

} // namespace

SUpdateServer SUpdateServer::FromSettings(const CAppSettings&)
{
    SUpdateServer server;
    const QString section = QString::fromLatin1(CAppSettings::kSettings);
    const auto read = [&](const char* name, const QString& fallback) {
        return CAppSettings::Read(section, QString::fromLatin1(name), fallback).toString();
    };
    server.url = read(CAppSettings::kUpdateServer, server.url);
    server.user = read(CAppSettings::kUpdateUser, server.user);
    server.password = read(CAppSettings::kUpdatePassword, server.password);
    server.folder = read(CAppSettings::kUpdateFolder, server.folder);
    return server;
}

CTagFileUpdate::CTagFileUpdate(const SUpdateServer& server, IUserPrompt& prompt)
    : m_server(server), m_prompt(prompt)
{
}

int CTagFileUpdate::Version(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return -1;
    qsizetype start = dot;
    while (start > 0 && fileName[start - 1] >= QLatin1Char('0') &&
           fileName[start - 1] <= QLatin1Char('9'))
        --start;
    if (dot - start > kMaxVersionDigits)
        return -1;
    int version = 0;
    for (qsizetype i = start; i < dot; ++i)
        version = version * 10 + (fileName[i].unicode() - u'0');
    return version;
}

bool CTagFileUpdate::AcceptableRemoteName(const QString& name)
{
    if (name.isEmpty() || name.contains(QLatin1String("..")))
        return false;
    for (const QChar c : name) {
        // Path separators, control characters and what no Windows file name may hold.
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || QStringView(u"/\\:*?\"<>|").contains(c))
            return false;
    }
    static const QRegularExpression pattern(
        QRegularExpression::wildcardToRegularExpression(QString::fromLatin1(CTagFile::kPattern)),
        QRegularExpression::CaseInsensitiveOption);
    return pattern.match(name).hasMatch() && Version(name) >= 0;
}

QString CTagFileUpdate::ChooseRemote(const QStringList& names)
{
    QString chosen;
    int best = -1;
    for (const QString& name : names) {
        if (!AcceptableRemoteName(name))
            continue;
        const int version = Version(name);
        if (version > best) {
            chosen = name;
            best = version;
        }
    }
    return chosen;
}

bool CTagFileUpdate::ListRemote(QStringList& names)
{
    QByteArray listing;
    SSink sink;
    sink.buffer = &listing;
    sink.limit = kMaxListingBytes;
    const std::unique_ptr<IProgress> progress = BeginProgress(m_prompt);
    SProgressHook hook{progress.get()};
    const CURLcode code = Perform(
        m_server, m_timeLimit, hook,
        [&](CURL* h) {
            listing.clear();
            sink.received = 0;
            const QByteArray url = FolderUrl(h, m_server).toUtf8();
            curl_easy_setopt(h, CURLOPT_URL, url.constData());
            curl_easy_setopt(h, CURLOPT_DIRLISTONLY, 1L);
            curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, WriteToSink);
            curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
            return true;
        },
        m_cause);
    m_cancelled = hook.cancelled;
    if (sink.overflow)
        m_cause = QStringLiteral("the name listing is longer than %1 bytes").arg(kMaxListingBytes);
    if (code != CURLE_OK)
        return false;
    names.clear();
    for (const QByteArray& line : listing.split('\n')) {
        const QString name = QString::fromUtf8(line.endsWith('\r') ? line.chopped(1) : line);
        if (!name.isEmpty())
            names << name;
    }
    return true;
}

bool CTagFileUpdate::Download(const QString& name, const QString& targetPath)
{
    const QDir folder(QFileInfo(targetPath).absolutePath());
    QTemporaryFile temporary(folder.filePath(QString::fromLatin1(kTemporaryTemplate)));
    if (!temporary.open()) {
        m_cause = temporary.errorString();
        return false;
    }
    SSink sink;
    sink.file = &temporary;
    sink.limit = kMaxFileBytes;
    CURLcode code = CURLE_OK;
    {
        const std::unique_ptr<IProgress> progress = BeginProgress(m_prompt);
        SProgressHook hook{progress.get()};
        code = Perform(
            m_server, m_timeLimit, hook,
            [&](CURL* h) {
                // A retry in active mode starts the file again.
                if (!temporary.resize(0) || !temporary.seek(0))
                    return false;
                sink.received = 0;
                const QByteArray url = (FolderUrl(h, m_server) + Escape(h, name)).toUtf8();
                curl_easy_setopt(h, CURLOPT_URL, url.constData());
                curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, WriteToSink);
                curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
                // Refused at once when the server announces the size; the sink's limit
                // catches a server that does not.
                curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE,
                                 static_cast<curl_off_t>(kMaxFileBytes));
                return true;
            },
            m_cause);
        m_cancelled = hook.cancelled;
    } // the progress window closes before any message
    if (code == CURLE_FILESIZE_EXCEEDED || sink.overflow) {
        m_cause =
            QStringLiteral("%1: larger than %2 bytes, not a tag file").arg(name).arg(kMaxFileBytes);
        m_invalid = true;
        return false;
    }
    if (code != CURLE_OK)
        return false;
    if (!temporary.flush()) {
        m_cause = temporary.errorString();
        return false;
    }
    if (temporary.size() < kMinFileBytes) {
        m_cause = QStringLiteral("%1: %2 bytes, too small for a tag file")
                      .arg(name)
                      .arg(temporary.size());
        m_invalid = true;
        return false;
    }

    // Only a file the loader takes as a whole may replace the one in use.
    temporary.seek(0);
    CTagFile check;
    const CTagLoadResult loaded = check.Load(&temporary, name);
    if (!loaded.Ok()) {
        m_cause = loaded.message;
        m_invalid = true;
        return false;
    }
    temporary.close();
    // The temporary file is private to its owner; the installed one reads like the file it
    // replaces, or like any other file of the folder.
    const QFileInfo existing(targetPath);
    temporary.setPermissions(existing.exists()
                                 ? existing.permissions()
                                 : QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                       QFileDevice::ReadGroup | QFileDevice::ReadOther);

    // rename() replaces an existing target in one step (MoveFileEx with replace on Windows).
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(temporary.fileName().toStdU16String()),
                            std::filesystem::path(targetPath.toStdU16String()), error);
    if (error) {
        m_cause = QString::fromStdString(error.message());
        return false;
    }
    temporary.setAutoRemove(false);
    return true;
}

CTagFileUpdate::EResult CTagFileUpdate::Run(const QString& tagFileDir)
{
    m_remoteName.clear();
    m_localName.clear();
    m_installedPath.clear();
    m_cause.clear();
    m_invalid = false;
    m_cancelled = false;

    QStringList names;
    if (!ListRemote(names)) {
        if (m_cancelled)
            return EResult::Cancelled;
        m_prompt.Message(LoadString(EString::CannotConnectToUpdateSite),
                         IUserPrompt::EIcon::Exclamation);
        return EResult::CannotConnect;
    }
    m_remoteName = ChooseRemote(names);

    QString localPath;
    if (!tagFileDir.isEmpty() &&
        CTagFile::FindNewestTagFile(tagFileDir, QString::fromLatin1(CTagFile::kPattern), localPath))
        m_localName = QFileInfo(localPath).fileName();

    // The local file is compared by the chooser's own number, so a local name the remote
    // versions cannot express is never "older" than them.
    const bool newer = !m_remoteName.isEmpty() &&
                       (m_localName.isEmpty() || static_cast<std::uint64_t>(Version(m_remoteName)) >
                                                     CTagFile::TagFileNumber(m_localName));
    if (!newer) {
        m_prompt.Message(LoadString(EString::NoNewerVersion), IUserPrompt::EIcon::Information);
        return EResult::Latest;
    }

    const QFileInfo folder(tagFileDir);
    if (tagFileDir.isEmpty() || !folder.isDir() || !folder.isWritable()) {
        m_cause = QStringLiteral("%1: the folder cannot be written")
                      .arg(QDir::toNativeSeparators(tagFileDir));
        m_prompt.Message(LoadString(EString::CannotDownloadFile) + QLatin1Char('\n') + m_cause,
                         IUserPrompt::EIcon::Exclamation);
        return EResult::FolderNotWritable;
    }

    const QString question =
        QStringLiteral("A more recent data file (%s) is available. Do you wish to install it?")
            .replace(QLatin1String("%s"), m_remoteName);
    if (m_prompt.Question(question, IUserPrompt::EButtons::YesNo, IUserPrompt::EIcon::Question) !=
        IUserPrompt::EAnswer::Yes)
        return EResult::Declined;

    const QString target = QDir::toNativeSeparators(QDir(tagFileDir).filePath(m_remoteName));
    if (!Download(m_remoteName, target)) {
        if (m_cancelled)
            return EResult::Cancelled;
        m_prompt.Message(LoadString(EString::CannotDownloadFile) + QLatin1Char('\n') + m_cause,
                         IUserPrompt::EIcon::Exclamation);
        return m_invalid ? EResult::InvalidFile : EResult::DownloadFailed;
    }
    m_installedPath = target;
    m_prompt.Message(Fill(EString::TagFileUpdated, m_remoteName), IUserPrompt::EIcon::Information);
    return EResult::Installed;
}
