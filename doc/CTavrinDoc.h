#pragma once

#include "data/CParameterSet.h"
#include "data/CTagFile.h"
#include "link/EControllerType.h"
#include "res/EString.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <optional>

class CAppSettings;
class CControllerLink;
class CTransferSession;
class IUserPrompt;

// The one document: the tag list and text list of the loaded tag file, the parameter set
// (from a read or a profile), the connected and the data controller type, the link-ready
// flag and the status poll. No widgets: the frame and the views follow it through signals,
// and it talks to the user through IUserPrompt.
class CTavrinDoc : public QObject
{
    Q_OBJECT

public:
    static constexpr int kStatusPollIntervalMs = 850;
    // Ticks between polls: every 3rd tick while linked, every 6th while not.
    static constexpr int kPollLimitLinked = 3;
    static constexpr int kPollLimitUnlinked = 6;
    static constexpr const char* kTagFilePattern = "TagList*.tag";
    static constexpr const char* kProfileFilter = "Profile Files  (*.prf)";
    static constexpr const char* kProfileSuffix = "prf";
    static constexpr const char* kUntitled = "Untitled";
    static constexpr const char* kDownloaded = "Downloaded";

    CTavrinDoc(CControllerLink& link, CAppSettings& settings, IUserPrompt& prompt,
               QObject* parent = nullptr);
    ~CTavrinDoc() override;

    // Start-up: no types, an empty set, the status poll started, then the newest tag file of
    // "TagFileDir" loaded (a message with the stop icon when there is none or it is bad).
    void Initialise();
    // Loads the newest tag file of `directory`; false (and a message) when there is none or
    // it cannot be loaded. The lists are empty afterwards on failure.
    bool LoadMasterTagFile(const QString& directory);
    // Puts the tag file `path` in place of the loaded one (the Options dialog's choice). It
    // is read into a list of its own that replaces the old one only once it loaded whole, so
    // a file that cannot be read or is malformed leaves the old tags in use; the user is then
    // told why (stop icon) and the result is false. The views are not refreshed here.
    bool LoadTagFile(const QString& path);

    CControllerLink& Link() { return m_link; }
    CAppSettings& Settings() { return m_settings; }
    IUserPrompt& Prompt() { return *m_prompt; }
    void SetPrompt(IUserPrompt& prompt) { m_prompt = &prompt; }

    const CTagFile& Tags() const { return m_tags; }
    CTagFile& Tags() { return m_tags; }
    bool HasTagFile() const { return !m_tags.Path().isEmpty(); }
    const CParameterSet& Parameters() const { return m_parameters; }
    CParameterSet& Parameters() { return m_parameters; }

    EControllerType ConnectedType() const { return m_connectedType; }
    // The controller type the parameter set was read from, as its profile stores it.
    EControllerType DataType() const
    {
        return ControllerTypeFromNumber(m_parameters.DataControllerType());
    }
    bool LinkReady() const { return m_linkReady; }
    void SetLinkReady(bool ready);
    // Sets what the last identification found (also done by the status poll).
    void SetConnectedType(EControllerType type);

    // Framework document state: modified flag, the file path ("Downloaded" after a read)
    // and the title shown in the window caption ("Untitled" for a new document).
    bool IsModified() const { return m_modified; }
    void SetModified(bool modified);
    const QString& PathName() const { return m_pathName; }
    // Sets the path and the title (its file name); `addToRecent` also puts it on the
    // recent-file list (RecentFileAdded).
    void SetPathName(const QString& path, bool addToRecent = true);
    const QString& Title() const { return m_title; }
    void SetTitle(const QString& title);

    // The raw values (by tag number) the display was last known to match: taken when a set
    // is read or opened and when a write confirmed every record; empty for a new document.
    // A parameter whose value differs from its baseline value is "changed" (the list marks
    // it); a tag without a baseline value never is.
    const QHash<quint16, quint16>& Baseline() const { return m_baseline; }
    void SetBaseline();
    void SetBaselineValue(quint16 tag, quint16 value) { m_baseline.insert(tag, value); }

    // Empties the parameter set and the baseline: all records deleted, the empty flag set.
    void DeleteContents();
    // File New: empty, "Untitled", not modified; views updated.
    void OnNewDocument();
    // File Open: loads the profile into a set of its own and, once it loaded, puts it in
    // place of the document's set; the equality pane becomes "not equal" and the views
    // refresh. A refused record is reported (string 123) and the records before it stay. A
    // file that cannot be opened, is cut short or is not a profile is reported by name and
    // cause and leaves the document as it was (its set, path, title, baseline and modified
    // flag); the result is then false.
    bool OnOpenDocument(const QString& path);
    // Opens the profile at `path` as an untitled copy, as File Open would but with no path
    // and off the recent-file list: Save asks for a name, so the file itself (a backup) is
    // never written. False as for OnOpenDocument.
    bool OpenCopy(const QString& path);
    // Tells the user what loading the profile at `path` came to, as File Open does: a refused
    // record by its own text (the records before it stay usable), a file that cannot be used
    // by name and cause. False when nothing usable was loaded.
    static bool ReportProfileLoad(IUserPrompt& prompt, const QString& path,
                                  const CParameterSet::Result& result);
    // Save and Save As: stores the parameter set in the profile format through a save file.
    bool OnSaveDocument(const QString& path);
    // The framework's save-modified question for a modified document: Yes saves (asking for
    // a file name when the document has none), No discards; false when the user cancelled
    // (or saving failed).
    bool SaveModified();
    // Save: to the current path when it is a file, otherwise Save As.
    bool DoFileSave();
    // Save As: asks for a file name (filter "Profile Files  (*.prf)", extension ".prf").
    bool DoSaveAs();
    // Open: asks for a profile file, offers to save a modified document, then opens it.
    bool DoFileOpen();

    // What the main frame and the views show, asked for by the flows.
    void SetStatusMessage(EString text) { emit StatusMessageRequested(text); }
    void SetEqualityPane(bool equal);
    bool EqualityPane() const { return m_equal; }
    void UpdateAllViews(int hint = 0) { emit ViewsUpdateRequested(hint); }

    std::uint16_t LastTripCode() const { return m_lastTripCode; }
    const QString& StatusText() const { return m_statusText; }

    // How far the read or write now running has got, as its progress window reports it
    // (CTransferProgress): records done of the records it handles.
    enum class ETransferDirection
    {
        Reading, // read from the controller, compare with it
        Writing, // write to it
    };
    struct STransferProgress
    {
        ETransferDirection direction = ETransferDirection::Reading;
        int done = 0;
        int total = 0;
    };
    const std::optional<STransferProgress>& TransferProgress() const { return m_transferProgress; }
    // Called by CTransferProgress only. Ignored outside a transfer; cleared when the outermost
    // transfer session ends.
    void SetTransferProgress(const STransferProgress& progress);

    // The two controller panes' texts. While a transfer reports its progress: the connected
    // type's name and "Reading 34/95" or "Writing 12/95". Otherwise "Comms lost" while the
    // link is not ready.
    QString ControllerIdPaneText() const;
    QString ControllerStatusPaneText() const;

    // The 850 ms status poll. Transfers stop it around their exchanges.
    void StartStatusPoll();
    void StopStatusPoll();
    bool StatusPollRunning() const { return m_pollTimer.isActive(); }
    int PollCounter() const { return m_pollCounter; }
    // One tick: counts towards the next poll and polls when due. Once the device has gone
    // away under the open port (a USB adapter unplugged), every tick instead closes the port
    // and reopens the same device, then polls, until a controller answers; meanwhile the
    // link is not ready, so the panes show "Comms lost" and controller commands are off.
    void PollTick();
    // One poll: identify, then the trip codes.
    void Poll();
    // True from the moment the device is found gone until a controller answers again.
    bool Reconnecting() const { return m_reconnecting; }

    // The transfer now running (the outermost CTransferSession), or nullptr. While one runs
    // the main window takes no commands.
    CTransferSession* Transfer() const { return m_transfer; }
    bool TransferActive() const { return m_transfer != nullptr; }
    // Called by CTransferSession only.
    void SetTransfer(CTransferSession* transfer);

    // A text of its own in the message pane (what a write came to), where SetStatusMessage
    // shows one of the string table.
    void SetStatusMessageText(const QString& text) { emit StatusMessageTextRequested(text); }

signals:
    // Emitted at the start of every poll tick, before any exchange (the ADC view refreshes
    // its windows on it).
    void PollTicked();
    // The link-ready flag, the connected type, the status text or the trip code changed.
    void ControllerStateChanged();
    // The message pane should show a string-table text.
    void StatusMessageRequested(EString text);
    // The equality pane should show "Program Equal." (true) or "Program Not Equal.".
    void EqualityPaneRequested(bool equal);
    // All views should refresh (hint 0: everything; 101: the connected controller changed).
    void ViewsUpdateRequested(int hint);
    // The title or the modified flag changed.
    void TitleChanged();
    // A file was opened or saved under this path (most recent first on the list).
    void RecentFileAdded(const QString& path);
    // A transfer began (true) or ended (false).
    void TransferStateChanged(bool active);
    // A profile was loaded into the document (File Open, a recent file, Open Copy...): the
    // display no longer shows what the controller was last known to hold.
    void ProfileLoaded();
    // The running transfer's progress changed or was cleared.
    void TransferProgressChanged();

    // The message pane should show this text.
    void StatusMessageTextRequested(const QString& text);

private:
    // One reconnecting tick: reopen the device, then poll when it opened.
    void Reconnect();
    // OnOpenDocument (`asFile`) or OpenCopy.
    bool LoadProfile(const QString& path, bool asFile);

    CControllerLink& m_link;
    CAppSettings& m_settings;
    IUserPrompt* m_prompt;
    CTagFile m_tags;
    CParameterSet m_parameters;
    QHash<quint16, quint16> m_baseline;
    EControllerType m_connectedType = EControllerType::None;
    bool m_linkReady = false;
    std::uint16_t m_lastTripCode = 0;
    bool m_modified = false;
    bool m_equal = false;
    QString m_pathName;
    QString m_title = QStringLiteral("Untitled");
    QString m_statusText;
    int m_pollCounter = -1;
    bool m_reconnecting = false;
    QTimer m_pollTimer;
    CTransferSession* m_transfer = nullptr;
    std::optional<STransferProgress> m_transferProgress;
};
