#pragma once

#include "link/CPortEntry.h"

#include <QStringList>

#include <functional>

// Finds the serial ports of this computer, for the port selection dialog and the Options
// dialog. Two methods:
//
//  - standard: every port the operating system reports (QSerialPortInfo), with its device
//    path, port name and description; the friendly name is "description (port name)", or the
//    port name alone when there is no description.
//  - basic: tries to open a fixed set of names ("COM1:".."COM6:" on Windows, /dev/ttyS0..5
//    and /dev/ttyUSB0..5 elsewhere) and lists those that open.
//
// The name and description clean-up and the basic method's selection are pure functions over
// lists, so they can be checked without hardware. Nothing here shows a message; failures come
// back as a result and an error text for the caller to show.
//
// Trying a port never disturbs one that is in use: a device held by another program (a lock
// file in the system's lock folders naming a live process, or an exclusive open) counts as
// not openable and is left alone, and the probe changes no line settings. It never waits for
// a carrier or a peer: the device is opened non-blocking and closed at once.
class CPortEnumerator
{
public:
    // Whether a device path can be opened for reading and writing right now.
    using FCanOpen = std::function<bool(const QString& devicePath)>;

    // Empties `list` and `errorText`, then fills the list by the standard method when
    // `standard` is true, else by the basic method. `openCheck` (standard method only) drops
    // the ports that cannot be opened. The standard method succeeds unless the system could
    // not be asked (then `errorText` says why and the ports found so far stay in the list);
    // the basic method succeeds when it found at least one port and leaves `errorText` empty.
    static bool EnumeratePorts(CPortList& list, QString& errorText, bool standard, bool openCheck);

    // The standard method's entry for one port the system reported (no clean-up yet).
    static CPortEntry MakeStandardEntry(const QString& systemLocation, const QString& portName,
                                        const QString& description);
    // Every port the system reports now, in its order, as MakeStandardEntry gives them.
    static CPortList SystemPorts();

    // Clean-up of the standard method, entry by entry in list order: with `canOpen` set, an
    // entry whose device cannot be opened is removed (the rest keep their order); an empty
    // friendly name takes the port name; an empty description takes the friendly name
    // without its trailing " (...)" part.
    static void CleanUp(CPortList& list, const FCanOpen& canOpen = {});
    // The friendly name cut before its trailing " (...)": only when the text ends in ")"
    // and the last " (" starts after the first character; otherwise the text as it is.
    static QString DescriptionFromFriendlyName(const QString& friendlyName);

    // The names the basic method tries, in order, on this platform.
    static QStringList BasicCandidates();
    // The basic method over `names`: each name that `canOpen` accepts becomes an entry whose
    // four strings are that name, except on Windows, where the device path drops the
    // trailing ":" so the serial port can open it by its plain name.
    static CPortList ProbeNames(const QStringList& names, const FCanOpen& canOpen);

    // Tries to open `devicePath` for reading and writing, exclusively, and closes it again at
    // once. False when the device is missing, is no terminal, or is in use. `lockDirs`
    // (Unix) are the folders searched for "LCK.." lock files; empty: the system's usual
    // ones. Never blocks.
    static bool CanOpenExclusive(const QString& devicePath, const QStringList& lockDirs = {});
    // The lock folders serial programs use on Unix, in the order Qt looks at them.
    static QStringList DefaultLockDirs();
    // The lock file name for a device: "LCK.." and the device's name below /dev with "/"
    // turned into "_" ("/dev/pts/3" gives "LCK..pts_3").
    static QString LockFileName(const QString& devicePath);
    // True when `lockFile` names a process that still runs (or cannot be read, which is
    // taken as held). A lock of a process that has ended is stale and holds nothing.
    static bool LockIsHeld(const QString& lockFile);

    // The first entry whose friendly name is exactly `friendlyName`; -1 when none.
    static int FindByFriendlyName(const CPortList& list, const QString& friendlyName);
};
