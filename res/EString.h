#pragma once

// Named ids of the string table (res/StringTable.cpp). The numbers are the resource numbers the
// texts have always carried; code names a text by its enumerator, never by its number.
//
// The option texts (3016..3546) have no names of their own: they are looked up by list and
// position through COptionTextTable::TextId.
enum class EString : int
{
    // Link and status bar
    StatusNotExpected = 54,
    CommsLost = 55,
    Ok = 56,

    // Editing a parameter
    ParameterNotSupported = 60,
    ControllerNotUpdated = 63,
    // A parameter the controller does not let be changed: the edit dialog's note and title,
    // the parameter list's tool tip
    ReadOnly = 4871,
    ReadOnlyTitle = 4872,

    // The equality pane's tool tips
    ParametersMatch = 69,
    ParametersDiffer = 70,

    // The ADC channel selection
    NoAdcChannels = 75,

    // Service timer captions
    TotalOnTime = 73,
    TractionServiceTime = 162,
    BrushOnTime = 167,
    LiftDowntime = 172,
    LiftUptime = 175,
    ServiceTime = 272,
    DriveTime = 275,

    // Tilt sensor
    ZeroTiltQuestion = 77,
    TiltZeroed = 78,
    TiltNotZeroed = 80,

    DataFromOtherType = 82,
    Version = 88,

    // EEPROM images
    EepromReadAborted = 90,
    EepromUpdated = 91,
    Uploading = 93,
    Downloading = 96,
    EepromWriteAborted = 98,
    CannotSaveFile = 99,
    CannotReadEepromFile = 100,
    DateTimeFormat = 114,

    // The two states of a momentary switch
    Momentary = 115,
    Permanent = 116,

    BadProfileChecksum = 123,
    LogNotSupported = 130,
    UnsupportedController = 133,
    EepromProgramWarning = 138,

    // Labels of the momentary switches of the two switch tags, in display order
    ReverseSelect = 143,
    VacuumSpeed = 144,
    BellyButtonEmergency = 145,
    BrushSpeed = 146,
    FreeWheel = 147,
    TractionSpeed = 148,
    AutoSequence = 149,
    VacuumMode = 150,
    Auxiliary1 = 151,
    BrushMode = 152,
    Auxiliary2 = 153,
    Auxiliary4 = 154,
    Auxiliary3 = 155,
    PowerSwitch = 156,

    Cleared = 163,
    NoTagFileToProceed = 170,
    Clear = 174,

    // Controller information (printf formats)
    ControllerIdLabel = 176,
    NoInformation = 177,
    TripTypeLine = 178,
    TripCodeLine = 179,
    ChecksumLine = 180,
    HardwareLine = 181,
    FirmwareLine = 182,
    FirmwareLineAlt = 183,
    FirmwareByte = 184,
    BatteryLine = 185,
    IncompatibleController = 186,

    // Logs
    CouldNotClearLog = 188,
    TripNameNotFound = 190,
    SystemLogEmpty = 192,
    TripLogLine = 193,
    TripLogHeader = 194,
    WaitingForConnection = 195,
    ControlLogEmpty = 204,

    // Transfers and their failures
    DataFromTypeCannotUpload = 196,
    CannotOpenAdcFile = 198,
    ReadAborted = 202,
    TagFileMissing = 203,
    ReadingDataFromController = 205,
    BadConnection = 206,
    CommunicationError = 208,

    // EEPROM reset to defaults
    ResetEepromQuestion = 209,
    ResetEepromFailedRetry = 211,
    EepromResetFailed = 212,
    EepromResetToDefaults = 213,
    EepromResetCancelled = 214,
    EepromBackupQuestion = 215,
    EepromBackupNotSaved = 216,

    PortCheckFailed = 235,

    // Update check
    TagFileUpdated = 237,
    CannotConnectToUpdateSite = 238,
    CannotDownloadFile = 239,
    NoNewerVersion = 241,

    // Programmable times
    Program = 258,
    OntimeUpdated = 259,
    OntimeNotUpdated = 260,
    ProgrammableTimes = 261,
    ProgrammableTimeTooLarge = 265,
    ProgrammableTimeNegative = 266,

    CannotLoadAdcChannels = 1302,

    // Read and write flows: progress titles, notices, and why a parameter was not written
    WritingDataToController = 4201,
    UploadCancelled = 4202,
    ParametersNotRead = 4203,
    ParametersNotWritten = 4204,
    WriteNotSupported = 4205,
    WriteReadOnly = 4206,
    WriteValueDiffers = 4207,
    WriteNoReply = 4208,
    OverwriteQuestion = 4210,
    StoppedAnswering = 4211,
    ChangedOnlyNotRead = 4212,
    ChangedOnlyNothingToWrite = 4213,
    WriteNotBackedUp = 4220,
    BackupsFolderNotWritable = 4221,

    // The write confirmation: its list of what will change, its buttons, and what the write
    // came to
    WrittenConfirmed = 4230,
    WritePreviewMore = 4231,
    WritePreviewNothing = 4232,
    WritePreviewRefused = 4233,
    WritePreviewNoReply = 4234,
    WritePreviewUnknown = 4235,
    WriteChangedOnlyButton = 4236,
    WriteAllButton = 4237,
    WriteCancelButton = 4238,
    WritePreviewChange = 4239,

    // Raw parameter window: a number that does not fit its field
    WordOutOfRange = 4301,
    NumberOutOfRange = 4302,

    // Opening a profile: the message, then what is wrong with the file
    CannotOpenProfile = 4601,
    ProfileNoSuchFile = 4602,
    ProfileAccessDenied = 4603,
    ProfileTooShort = 4604,
    ProfileTruncated = 4605,
    ProfileForeignHeader = 4606,
    ProfileNegativeCount = 4607,
    ProfileTrailingBytes = 4608,
    ProfileReadError = 4609,
    ProfileIsFolder = 4610,

    // Printed pages: the simple list's column header and footer, the page number, and the
    // message when the text does not fit the page
    PrintParameterHeader = 4701,
    PrintValuesHeader = 4702,
    PrintedAt = 4703,
    PageOfPages = 4704,
    PrintPageTooSmall = 4705,

    // The document: the controller pane without a type, and the file captions and question
    UnknownController = 4801,
    SaveAsCaption = 4802,
    SaveChangesQuestion = 4803,
    OpenCaption = 4804,

    // Comparing with the controller or a profile
    ComparingWithController = 4811,
    CompareWithProfileCaption = 4812,

    // EEPROM image files
    CannotOpenEepromFile = 4821,
    EepromFileLooksLikeText = 4822,

    // D-File programming
    DFileUntestedQuestion = 4831,
    DFileCommentQuestion = 4832,
    DFileCannotOpen = 4833,
    DFileCannotRead = 4834,
    DFileInvalidForType = 4835,
    DFileCannotProgram = 4836,
    DFileProgrammed = 4837,
    DFileNotProgrammed = 4838,
    DFileProgressTitle = 4839,
    DFileNotIdentified = 4840,

    // Applying a profile to a fleet: the problems noted for one port
    ApplyKeepRefused = 4851,
    ApplyCannotOpenPort = 4852,
    ApplyNoController = 4853,
    ApplyNotIdentified = 4854,
    ApplyNoReply = 4855,
    ApplyNotConfirmed = 4856,
    ApplyStopped = 4857,
    TripCode = 4861,

    // A parameter transfer as the main window and its progress window show it
    TransferReadingCount = 4881,
    TransferWritingCount = 4882,
    ReadingFromController = 4883,
    WritingToController = 4884,
    ProgressCount = 4885,
    ProgressCountSecondsLeft = 4886,
    ProgressCountMinutesLeft = 4887,

    // Main window
    AppName = 57344,
    Ready = 57345,
    ProgramNotEqual = 57638,
    ProgramEqual = 59144,

    // File errors
    FileNotFound = 61704,
    FileAccessDenied = 61705,
    FileReadError = 61706,
    TagFileNotLoaded = 61720,
};
