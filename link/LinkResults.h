#pragma once

// Results of the controller commands of CControllerLink. ReadWord and WriteWord answer with a
// plain bool (a reply came or not); every other command names its outcome with one of these.
// Where a number is shown to the user (tavrin-cli's records and messages) it is the value
// given here, so the values stay as they are.

// Probe: a read of one tag, classified by the reply's status.
enum class EProbeResult
{
    Supported = 0,       // answered, "Supported" set and "Temp. unavailable" clear
    TempUnavailable = 1, // answered, "Supported" and "Temp. unavailable" both set
    NotSupported = 2,    // answered, "Supported" clear
    NoSuchTag = 3,       // answered with word 1 zero, and that reply could be trusted
    NoReply = 4,         // no reply answered the request
};

// Identify. Every failure carries the value of the probe result that ended it.
enum class EIdentifyResult
{
    Identified = 0,      // the type was found (it may still be EControllerType::None for an
                         // identification code outside the map)
    TempUnavailable = 1, // tag 8 answered "Temp. unavailable"
    NotRecognised = 2,   // tag 8 is not supported and neither are the older family's probes
    NoSuchTag = 3,       // tag 8, or the older family's first probe, is not known
    NoReply = 4,         // no controller answered, or a variant probe never did
};

// ReadControllerStatus, ReadTripCode1 and ReadTripCode2: one read of a fixed tag.
enum class EFixedTagResult
{
    Answered = 0, // the word was read
    NoReply = 4,  // no reply; the word is 0xFFFF
};

// ReadParameter.
enum class EReadResult
{
    Read = 0,            // value and all six attributes read
    NoSuchParameter = 1, // the value read was answered "no such tag"
    Failed = 2,          // no reply to one of the seven reads, or the value is not supported
};

// Why the last ReadParameter did not return EReadResult::Read.
enum class EReadFailure
{
    None = 0,    // it did return Read
    NoReply = 1, // one of its exchanges got no reply: the controller may have gone
    Refused = 2, // the controller answered and refused: no "Supported", or no such tag
};

// WriteParameter: a read, the write, then a read-back.
enum class EWriteResult
{
    Confirmed = 0,       // written, and the read-back shows the new value
    NotSupported = 1,    // the first read came without "Supported"; nothing was written
    ReadOnly = 2,        // the first read came with "Read only"; nothing was written
    ReadBackDiffers = 5, // written, but the read-back shows another value (not repeated)
    NoReply = 6,         // no reply to the read, the write or the read-back
    NotBackedUp = 7,     // the caller's check between the read and the write refused (the
                         // backup of the value could not be saved); nothing was written
};

// WriteBytesVerified: a block of EEPROM bytes written and read back one by one.
enum class EVerifiedWriteResult
{
    Verified = 0,       // every byte written and read back equal
    OtherType = 1,      // not identified, or of another type than asked; nothing was written
    NothingToWrite = 2, // a length of 0 (or no data); nothing was written
    NotVerified = 3,    // a byte's write or read-back got no reply, or read back another
                        // value; the bytes before it stay written
};
