#pragma once

#include <QString>

#include <cstdint>

class CEepromImage;
class CTavrinDoc;

// The EEPROM utilities' transfers between a controller and an EEPROM image, one byte an
// exchange with a pause of kBytePauseMs after each, inside a transfer session for as long as
// they run. The user is told through the document's prompt.
//
// Read and Write are the bare transfers; Get and Send are the dialog's commands with their
// question and messages, which tavrin-cli runs as well.
class CEepromTransfer
{
public:
    // Pause after every byte, in milliseconds; the progress window is pumped meanwhile.
    static constexpr int kBytePauseMs = 20;
    // Bytes a Get reads when no other number is chosen.
    static constexpr int kDefaultByteCount = 256;

    enum class EResult
    {
        Done,         // every byte read, or written and confirmed
        NoController, // identification failed; nothing was read or written
        OtherType,    // write: the controller is not of the image's type; nothing written
        Failed,       // read: a byte got no reply; write: a byte was not confirmed
        Cancelled,    // read: stopped by its Cancel button or by the main window closing
        Declined,     // Send: the warning was not answered Yes; nothing sent
        NoBackup,     // write: the present bytes could not be read back or saved; nothing
                      // written (backupError says why)
    };
    struct SOutcome
    {
        EResult result = EResult::Done;
        int bytesDone = 0;               // bytes read, or written and confirmed
        std::uint16_t failedAddress = 0; // Failed: the address of the byte that failed
        QString backupPath;              // write: the backup of the bytes it overwrote
        QString backupError;             // NoBackup: why, in words
        bool backupUnanswered = false;   // NoBackup: for want of a reply (else: the file)
    };

    explicit CEepromTransfer(CTavrinDoc& doc) : m_doc(doc) {}

    // Identifies the controller, stores its type in `image` and reads addresses 0 .. count - 1
    // into it, stopping at the first byte without a reply. A cancellable progress window
    // follows the bytes; Cancel stops the read at once. The image is empty unless Done.
    SOutcome Read(CEepromImage& image, int count);
    // Identifies the controller and, when it is of the image's type, first saves the bytes
    // about to be overwritten as a backup (CEepromBackup; without it nothing is written), then
    // writes each record at its address and reads it back, stopping at the first byte not
    // confirmed (the bytes before it stay written). Cannot be cancelled.
    SOutcome Write(const CEepromImage& image);

    // "&Get from:": Read, then ReportRead.
    SOutcome Get(CEepromImage& image, int count);
    // "S&end to:": ConfirmWrite; on Yes, Write, then ReportWrite.
    SOutcome Send(const CEepromImage& image);

    // The parts of Get and Send that talk to the user, for a caller that wraps the transfer
    // itself (the dialog shows the wait cursor only while bytes move).
    // "EEPROM read was aborted ..." after a read that failed; a cancelled one needs no word.
    void ReportRead(const SOutcome& outcome);
    // The programming warning (Yes/No); true for Yes.
    bool ConfirmWrite();
    // "EEPROM has been updated ..." or, once a write was sent and not confirmed, "EEPROM
    // write was aborted ... EEPROM is corrupted now."; when nothing was sent, why: NoBackup
    // its reason, OtherType "Cannot update the controller as data was initially from a
    // different controller type.", NoController "Communication error".
    void ReportWrite(const SOutcome& outcome);

private:
    CTavrinDoc& m_doc;
};
