#include "doc/CTavrinDoc.h"

#include "app/CAppSettings.h"
#include "data/CParameterText.h"
#include "doc/IUserPrompt.h"
#include "link/CControllerLink.h"
#include "res/StringTable.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

namespace {
// "Trip: " and the code in four upper-case hex digits
QString TripText(std::uint16_t code)
{
    return LoadString(EString::TripCode).arg(HexWord(code));
}
} // namespace

CTavrinDoc::CTavrinDoc(CControllerLink& link, CAppSettings& settings, IUserPrompt& prompt,
                       QObject* parent)
    : QObject(parent), m_link(link), m_settings(settings), m_prompt(&prompt)
{
    m_pollTimer.setInterval(kStatusPollIntervalMs);
    connect(&m_pollTimer, &QTimer::timeout, this, &CTavrinDoc::PollTick);
}

CTavrinDoc::~CTavrinDoc() = default;

void CTavrinDoc::Initialise()
{
    m_connectedType = EControllerType::None;
    m_parameters.Reset();
    StartStatusPoll();
    LoadMasterTagFile(m_settings.TagFileDir());
}

bool CTavrinDoc::LoadMasterTagFile(const QString& directory)
{
    QString path;
    if (directory.isEmpty() ||
        !CTagFile::FindNewestTagFile(directory, QString::fromLatin1(kTagFilePattern), path)) {
        m_tags.Clear();
        m_prompt->Message(LoadString(EString::TagFileMissing), IUserPrompt::EIcon::Stop);
        return false;
    }
    const CTagLoadResult result = m_tags.LoadTagFile(path);
    if (!result.Ok()) {
        // The message names the file itself.
        m_prompt->Message(result.message, IUserPrompt::EIcon::Stop);
        return false;
    }
    return true;
}

bool CTavrinDoc::LoadTagFile(const QString& path)
{
    CTagFile fresh;
    const CTagLoadResult result = fresh.LoadTagFile(path);
    if (!result.Ok()) {
        m_prompt->Message(result.message, IUserPrompt::EIcon::Stop);
        return false;
    }
    m_tags = std::move(fresh);
    return true;
}

void CTavrinDoc::SetLinkReady(bool ready)
{
    if (m_linkReady == ready)
        return;
    m_linkReady = ready;
    emit ControllerStateChanged();
}

void CTavrinDoc::SetConnectedType(EControllerType type)
{
    if (m_connectedType == type)
        return;
    m_connectedType = type;
    emit ControllerStateChanged();
}

QString CTavrinDoc::ControllerIdPaneText() const
{
    // The transfer clears the link-ready flag, but the controller it talks to is there.
    if (!m_linkReady && !m_transferProgress)
        return LoadString(EString::CommsLost);
    if (m_connectedType == EControllerType::None)
        return LoadString(EString::UnknownController);
    return CControllerLink::ControllerTypeName(m_connectedType);
}

QString CTavrinDoc::ControllerStatusPaneText() const
{
    if (m_transferProgress) {
        const bool reading = m_transferProgress->direction == ETransferDirection::Reading;
        return LoadString(reading ? EString::TransferReadingCount : EString::TransferWritingCount)
            .arg(m_transferProgress->done)
            .arg(m_transferProgress->total);
    }
    return m_linkReady ? m_statusText : LoadString(EString::CommsLost);
}

void CTavrinDoc::SetTransferProgress(const STransferProgress& progress)
{
    if (!m_transfer)
        return;
    if (m_transferProgress && m_transferProgress->direction == progress.direction &&
        m_transferProgress->done == progress.done && m_transferProgress->total == progress.total)
        return;
    m_transferProgress = progress;
    emit TransferProgressChanged();
}

void CTavrinDoc::StartStatusPoll()
{
    if (!m_pollTimer.isActive())
        m_pollTimer.start();
}

void CTavrinDoc::StopStatusPoll()
{
    m_pollTimer.stop();
}

void CTavrinDoc::SetTransfer(CTransferSession* transfer)
{
    if (m_transfer == transfer)
        return;
    m_transfer = transfer;
    // The panes show the controller's own state again by the time the transfer's end is heard.
    const bool hadProgress = m_transferProgress.has_value();
    m_transferProgress.reset();
    if (hadProgress)
        emit TransferProgressChanged();
    emit TransferStateChanged(transfer != nullptr);
}

void CTavrinDoc::PollTick()
{
    emit PollTicked();
    if (m_link.DeviceLost())
        m_reconnecting = true;
    if (m_reconnecting) {
        Reconnect();
        return;
    }
    const int limit = m_linkReady ? kPollLimitLinked : kPollLimitUnlinked;
    if (m_pollCounter == -1) {
        m_pollCounter = 0;
    } else {
        ++m_pollCounter;
        if (m_pollCounter < limit)
            return;
        m_pollCounter = 0;
    }
    Poll();
}

void CTavrinDoc::Reconnect()
{
    // A port whose device went away stays useless even when the device comes back: only a
    // fresh open of the same name reaches the new device node.
    m_link.Close();
    if (m_link.Open()) {
        Poll();
    } else {
        const bool changed = m_linkReady || m_connectedType != EControllerType::None ||
                             m_lastTripCode != 0 || !m_statusText.isEmpty();
        m_linkReady = false;
        m_connectedType = EControllerType::None;
        m_lastTripCode = 0;
        m_statusText.clear();
        if (changed)
            emit ControllerStateChanged();
    }
    if (m_linkReady && !m_link.DeviceLost()) {
        m_reconnecting = false;
        m_pollCounter = 0;
    }
}

void CTavrinDoc::Poll()
{
    EControllerType type = EControllerType::None;
    const bool linked = m_link.Identify(type) == EIdentifyResult::Identified;
    const std::uint16_t oldTrip = m_lastTripCode;
    const QString oldText = m_statusText;
    const bool oldLinked = m_linkReady;
    const EControllerType oldType = m_connectedType;
    m_connectedType = type;
    m_linkReady = linked;

    std::uint16_t code = 0;
    QString text;
    if (linked) {
        if (m_link.ReadTripCode1(code) != EFixedTagResult::Answered) {
            code = 0xFFFF;
        } else if (code != 0) {
            text = TripText(code);
        } else if (m_link.ReadTripCode2(code) != EFixedTagResult::Answered) {
            code = 0xFFFF;
        } else if (code != 0) {
            text = TripText(code);
        } else {
            text = LoadString(EString::Ok);
        }
    }
    m_lastTripCode = code;
    m_statusText = text;
    if (!linked && m_link.DeviceLost())
        m_reconnecting = true;
    if (oldTrip != code || oldText != text || oldLinked != linked || oldType != type)
        emit ControllerStateChanged();
}

void CTavrinDoc::SetModified(bool modified)
{
    if (m_modified == modified)
        return;
    m_modified = modified;
    emit TitleChanged();
}

void CTavrinDoc::SetPathName(const QString& path, bool addToRecent)
{
    m_pathName = path;
    const QFileInfo info(path);
    m_title = info.fileName().isEmpty() ? path : info.fileName();
    if (addToRecent)
        emit RecentFileAdded(QFileInfo(path).absoluteFilePath());
    emit TitleChanged();
}

void CTavrinDoc::SetTitle(const QString& title)
{
    m_title = title;
    emit TitleChanged();
}

void CTavrinDoc::SetEqualityPane(bool equal)
{
    m_equal = equal;
    emit EqualityPaneRequested(equal);
}

void CTavrinDoc::SetBaseline()
{
    m_baseline.clear();
    for (const auto& parameter : m_parameters.Parameters())
        m_baseline.insert(parameter->tagNumber, parameter->value);
}

void CTavrinDoc::DeleteContents()
{
    m_parameters.Clear();
    m_parameters.SetEmpty(true);
    m_baseline.clear();
}

void CTavrinDoc::OnNewDocument()
{
    DeleteContents();
    m_pathName.clear();
    m_title = QString::fromLatin1(kUntitled);
    m_modified = false;
    emit TitleChanged();
    UpdateAllViews(0);
}

bool CTavrinDoc::OpenCopy(const QString& path)
{
    return LoadProfile(path, false);
}

bool CTavrinDoc::OnOpenDocument(const QString& path)
{
    return LoadProfile(path, true);
}

bool CTavrinDoc::ReportProfileLoad(IUserPrompt& prompt, const QString& path,
                                   const CParameterSet::Result& result)
{
    switch (result.status) {
    case CParameterSet::EStatus::Ok:
        return true;
    case CParameterSet::EStatus::BadChecksum:
        // The records before the refused one stay usable; the user is told.
        prompt.Message(result.errorText, IUserPrompt::EIcon::Exclamation);
        return true;
    default:
        prompt.Message(LoadString(EString::CannotOpenProfile)
                           .arg(QDir::toNativeSeparators(path), result.errorText),
                       IUserPrompt::EIcon::Exclamation);
        return false;
    }
}

bool CTavrinDoc::LoadProfile(const QString& path, bool asFile)
{
    // The file is read into a set of its own: the document's set, path, title, baseline and
    // modified flag are replaced only once it loaded, so a file that cannot be used leaves
    // the user's work (saved or not) exactly as it was.
    CParameterSet loaded;
    if (!ReportProfileLoad(*m_prompt, path, loaded.LoadFile(path)))
        return false;
    m_parameters = std::move(loaded);
    m_parameters.SetEmpty(false);
    SetBaseline();
    if (asFile) {
        SetPathName(path, true);
    } else {
        m_pathName.clear();
        m_title = QString::fromLatin1(kUntitled);
    }
    m_modified = false;
    emit TitleChanged();
    SetEqualityPane(false);
    UpdateAllViews(0);
    emit ProfileLoaded();
    return true;
}

bool CTavrinDoc::OnSaveDocument(const QString& path)
{
    const CParameterSet::Result result = m_parameters.SaveFile(path);
    if (result.status != CParameterSet::EStatus::Ok) {
        m_prompt->Message(result.errorText.isEmpty() ? LoadString(EString::CannotSaveFile)
                                                     : result.errorText,
                          IUserPrompt::EIcon::Exclamation);
        return false;
    }
    SetPathName(path, true);
    SetModified(false);
    return true;
}

bool CTavrinDoc::DoSaveAs()
{
    const QString suggested = m_pathName == QLatin1String(kDownloaded) ? QString() : m_pathName;
    const QString path = m_prompt->ChooseSaveFile(LoadString(EString::SaveAsCaption),
                                                  QString::fromLatin1(kProfileFilter),
                                                  QString::fromLatin1(kProfileSuffix), suggested);
    if (path.isEmpty())
        return false;
    return OnSaveDocument(path);
}

bool CTavrinDoc::DoFileSave()
{
    // A document read from a controller has the path "Downloaded", which names no file.
    if (m_pathName.isEmpty() || m_pathName == QLatin1String(kDownloaded) ||
        !QFileInfo(m_pathName).isAbsolute())
        return DoSaveAs();
    return OnSaveDocument(m_pathName);
}

bool CTavrinDoc::SaveModified()
{
    if (!m_modified)
        return true;
    const auto answer =
        m_prompt->Question(LoadString(EString::SaveChangesQuestion).arg(m_title),
                           IUserPrompt::EButtons::YesNoCancel, IUserPrompt::EIcon::Exclamation);
    if (answer == IUserPrompt::EAnswer::Cancel)
        return false;
    if (answer == IUserPrompt::EAnswer::Yes)
        return DoFileSave();
    return true;
}

bool CTavrinDoc::DoFileOpen()
{
    const QString path = m_prompt->ChooseOpenFile(LoadString(EString::OpenCaption),
                                                  QString::fromLatin1(kProfileFilter));
    if (path.isEmpty() || !SaveModified())
        return false;
    return OnOpenDocument(path);
}
